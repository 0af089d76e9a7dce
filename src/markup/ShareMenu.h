#pragma once

#include <QString>

class QMenu;
class QWidget;

namespace moxilane {

class Desktop;

// The ways the desktop offers to pass a file on: its default application, the other
// applications that open PNG images, the file manager, and the clipboard as a file.
// The menu belongs to parent.
QMenu* makeShareMenu(const QString& filePath, Desktop& desktop, QWidget* parent);

}  // namespace moxilane
