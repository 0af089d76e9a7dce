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

void watchLayoutChanges(QObject* context, std::function<void()> changed) {
    const auto watch = [context, changed](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, context, changed, Qt::QueuedConnection);
        QObject::connect(screen, &QScreen::availableGeometryChanged, context, changed,
                         Qt::QueuedConnection);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, watch);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, changed,
                     Qt::QueuedConnection);
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context, changed,
                     Qt::QueuedConnection);
}

}  // namespace moxilane::QtScreens
