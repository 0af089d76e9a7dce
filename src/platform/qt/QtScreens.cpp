#include "platform/qt/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace moxilane::QtScreens {

QScreen* named(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name) return screen;
    }
    return nullptr;
}

std::vector<QMetaObject::Connection> watchChanges(QObject* context, std::function<void()> changed) {
    std::vector<QMetaObject::Connection> watch;
    watch.push_back(QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context, changed));
    for (QScreen* screen : QGuiApplication::screens()) {
        watch.push_back(QObject::connect(screen, &QScreen::geometryChanged, context, changed));
    }
    return watch;
}

}  // namespace moxilane::QtScreens
