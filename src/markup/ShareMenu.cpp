#include "markup/ShareMenu.h"

#include "platform/Services.h"

#include <QMenu>

namespace moxilane {

namespace {

void tell(Alerts& alerts, const QString& message, const std::expected<void, QString>& done) {
    if (!done) alerts.showAlert(message, done.error());
}

}  // namespace

QMenu* makeShareMenu(const QString& filePath, Desktop& desktop, Alerts& alerts, QWidget* parent) {
    const QString couldNotOpen = QStringLiteral("Could Not Open the Screenshot");
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Open"), menu, [&desktop, &alerts, filePath, couldNotOpen] {
        tell(alerts, couldNotOpen, desktop.openFile(filePath));
    });
    QMenu* openWith = menu->addMenu(QStringLiteral("Open With"));
    for (const DesktopApplication& application :
         desktop.applicationsFor(QStringLiteral("image/png"))) {
        openWith->addAction(application.name, menu,
                            [&desktop, &alerts, application, filePath, couldNotOpen] {
                                tell(alerts, couldNotOpen, desktop.launch(application, filePath));
                            });
    }
    openWith->setEnabled(!openWith->isEmpty());
    menu->addAction(QStringLiteral("Show in File Manager"), menu, [&desktop, &alerts, filePath] {
        tell(alerts, QStringLiteral("Could Not Open the File Manager"),
             desktop.revealFolder(filePath));
    });
    menu->addAction(QStringLiteral("Copy File"), menu, [&desktop, &alerts, filePath] {
        tell(alerts, QStringLiteral("Could Not Copy the Screenshot"), desktop.copyFile(filePath));
    });
    return menu;
}

}  // namespace moxilane
