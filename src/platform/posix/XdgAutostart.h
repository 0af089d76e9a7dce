#pragma once

#include "platform/LoginItem.h"
#include "platform/Questions.h"

#include <QStringList>

#include <vector>

namespace moxilane {

// Start at login through an XDG autostart entry. Ours is <folder>/<app id>.desktop and
// carries X-Moxilane-Managed=true; any entry in the folder that starts this very program
// counts, so that the user's own (a bare `moxilane`, an `env` wrapper) is seen, and it is
// never overwritten: enabling switches it back on, disabling asks before removing it.
class XdgAutostart final : public LoginItem {
public:
    // programPath: the absolute path of the running program, the entry's Exec.
    XdgAutostart(QString autostartFolder, QString programPath, Questions& questions);
    static QString userAutostartFolder();  // $XDG_CONFIG_HOME/autostart

    LoginItemStatus status() const override;
    std::expected<void, QString> registerItem() override;
    std::expected<void, QString> unregisterItem() override;

    QString entryPath() const;

private:
    struct Found;
    std::vector<Found> entriesStartingThisProgram() const;
    bool startsThisProgram(const QString& exec) const;
    bool isEarlierVersionsEntry(const Found& found) const;
    std::expected<void, QString> adoptEarlierVersionsEntry();
    std::expected<void, QString> writeOurEntry();

    QString m_folder;
    QString m_programPath;
    Questions& m_questions;
};

}  // namespace moxilane
