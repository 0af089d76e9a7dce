#pragma once

#include "delivery/XdgTrash.h"
#include "platform/Services.h"
#include "platform/Settings.h"

#include <QString>

#include <optional>

namespace moxilane {

// The folder captures are saved into, chosen once by the user and kept in the settings
// under saveFolderBookmark as the folder's absolute path. Scripts and administrators may
// preset it; a reference in another form (a file:// URL, a ~/ path, a path with . or ..
// parts) is understood and rewritten in the plain form. Nothing is cached: the folder is
// checked again on every request, because it may be deleted, unmounted or trashed at
// any time.
class SaveLocationStore {
public:
    SaveLocationStore(Settings& settings, FolderPicker& picker, XdgTrash trash = XdgTrash());

    // The folder, when the stored reference resolves to an existing directory that is
    // not in the trash; nothing otherwise (the reference stays stored, so a volume that
    // comes back is used again).
    std::optional<QString> currentFolder();

    // Asks the user for a folder and stores it. True when the user picked one.
    bool promptForFolder();

    static QString pickerMessage() {
        return QStringLiteral(
            "Choose where Moxilane saves your screenshots (Desktop is a good default)");
    }

private:
    Settings& m_settings;
    FolderPicker& m_picker;
    XdgTrash m_trash;
};

// Shows the save folder in the file manager, offering to choose one when there is none;
// an alert when it still cannot be had.
void revealSaveFolder(SaveLocationStore& store, Desktop& desktop, Alerts& alerts);

}  // namespace moxilane
