#pragma once

#include <QString>

class QMenu;
class QWidget;

namespace moxilane {

class Alerts;
class Desktop;

// The ways the desktop offers to pass a file on: its default application, the other
// applications that open PNG images, the file manager, and the clipboard as a file. What
// the desktop refuses is shown in an alert with its reason. The menu belongs to parent.
QMenu* makeShareMenu(const QString& filePath, Desktop& desktop, Alerts& alerts, QWidget* parent);

}  // namespace moxilane
