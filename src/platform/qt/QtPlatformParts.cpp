#include "platform/qt/QtPlatformParts.h"

#include "platform/posix/XdgAutostart.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEditServices.h"
#include "platform/qt/QtQuestions.h"
#include "platform/qt/QtServices.h"

#include <QCoreApplication>

namespace moxilane {

Platform platformWithQtServices() {
    Platform platform;
    platform.scheduler = std::make_unique<QtScheduler>();
    platform.alerts = std::make_unique<QtAlerts>();
    platform.desktop = std::make_unique<QtDesktop>();
    platform.folderPicker = std::make_unique<QtFolderPicker>();
    platform.savePanel = std::make_unique<QtSavePanel>();
    platform.clock = std::make_unique<SystemClock>();
    platform.questions = std::make_unique<QtQuestions>();
    platform.loginItem = std::make_unique<XdgAutostart>(XdgAutostart::userAutostartFolder(),
                                                        QCoreApplication::applicationFilePath(),
                                                        *platform.questions);
    return platform;
}

}  // namespace moxilane
