#pragma once

#include "platform/Services.h"

#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <optional>

namespace moxilane::wayland {

// What GNOME's portal remembers of its one question "may this program take screenshots?":
// the answer of programs outside a sandbox, which share the empty application id.
enum class ScreenshotAnswer { unasked, granted, denied };

// The answer in a permission entry's values ("yes", "no"); nothing stored is unasked.
[[nodiscard]] ScreenshotAnswer screenshotAnswer(const std::optional<QStringList>& stored);

// The portal's permission store, as far as the screenshot permission needs it.
class ScreenshotPermissionStore {
public:
    virtual ~ScreenshotPermissionStore() = default;
    // Our stored answer; nothing when none is stored. Fails when the store cannot be read.
    [[nodiscard]] virtual std::expected<std::optional<QStringList>, QString> lookup() = 0;
    // Drops our stored answer, so that GNOME asks again at the next screenshot.
    [[nodiscard]] virtual std::expected<void, QString> forget() = 0;
};

// The xdg-desktop-portal permission store over the session bus.
class PortalPermissionStore final : public ScreenshotPermissionStore {
public:
    std::expected<std::optional<QStringList>, QString> lookup() override;
    std::expected<void, QString> forget() override;
};

// The capture permission on GNOME. GNOME asks its question with the first screenshot and
// then answers every later one alone: granted and unasked both let the capture start (the
// question comes with its picture). After a denial GNOME never asks again by itself, so a
// request forgets the denial, which brings the question back with the next capture, and
// says so in the permission alert. GNOME's Settings have no page for this permission, so
// there is nothing more to open.
class ScreenshotPermission final : public CapturePermission {
public:
    ScreenshotPermission(std::unique_ptr<ScreenshotPermissionStore> store, Alerts& alerts);

    bool preflight() override;
    void request() override;
    void openSettings() override {}

    static QString alertMessage() { return QStringLiteral("Screenshots Not Allowed"); }

private:
    std::unique_ptr<ScreenshotPermissionStore> m_store;
    Alerts& m_alerts;
};

}  // namespace moxilane::wayland
