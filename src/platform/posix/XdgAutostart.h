#pragma once

#include "platform/LoginItem.h"
#include "platform/Questions.h"

namespace moxilane {

// Start at login through an XDG autostart entry, <folder>/moxilane.desktop. The entry
// counts as on only when it starts this very program and no one switched it off.
class XdgAutostart final : public LoginItem {
public:
    // programPath: the absolute path of the running program, the entry's Exec.
    XdgAutostart(QString autostartFolder, QString programPath, Questions& questions);
    static QString userAutostartFolder();  // $XDG_CONFIG_HOME/autostart

    LoginItemStatus status() const override;
    std::expected<void, QString> registerItem() override;
    std::expected<void, QString> unregisterItem() override;

    QString entryPath() const;
    // The Exec value for a path, quoted as desktop entries want when it needs to be.
    static QString execValue(const QString& programPath);

private:
    QString m_folder;
    QString m_programPath;
    Questions& m_questions;
};

}  // namespace moxilane
