#pragma once

#include <QString>

#include <expected>

#include <sys/types.h>

namespace moxilane {

// Where the agent of one display keeps its instance lock and its command socket.
struct AgentAddress {
    QString lockPath;
    QString socketPath;
};

// The user's private runtime folder: $XDG_RUNTIME_DIR, or else a folder of our own
// under /tmp (see privateFolderIn). The error says why no safe folder exists.
[[nodiscard]] std::expected<QString, QString> userRuntimeFolder();

// "<base>/moxilane-<uid>", made 0700 when missing. An existing one must be a real folder
// (not a link), owned by uid, with no access for group or others: /tmp is shared, and
// anyone could have made the name first.
[[nodiscard]] std::expected<QString, QString> privateFolderIn(const QString& base, uid_t uid);

// ":0", ":0.0" and "unix:0" are the same display and give the same address.
QString displayKey(const QString& display);
AgentAddress agentAddress(const QString& runtimeFolder, const QString& display);

// Whether the agent runs on Wayland: a Wayland display is set and Qt is not told to use
// another platform. The command line decides the same way, so both find one address.
bool runsOnWayland();
// The display the agent serves: the Wayland display's name on Wayland, else X11's DISPLAY.
QString sessionDisplay();

}  // namespace moxilane
