#pragma once

#include <QMetaObject>
#include <QString>

#include <functional>
#include <vector>

class QObject;
class QScreen;

// Qt's screen objects, for the widgets that must name one; geometry comes from ScreenLayout.
namespace moxilane::QtScreens {

// The Qt screen of that name; null when it has gone.
QScreen* named(const QString& name);

// Calls changed when a screen goes away or any screen's geometry changes, while context
// lives; the connections let the caller stop watching sooner.
std::vector<QMetaObject::Connection> watchChanges(QObject* context, std::function<void()> changed);

// Calls changed, queued so the screens have settled, when a screen comes or goes or any
// screen's geometry or work area changes, while context lives.
void watchLayoutChanges(QObject* context, std::function<void()> changed);

}  // namespace moxilane::QtScreens
