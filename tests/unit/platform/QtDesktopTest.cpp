#include "platform/qt/QtDesktop.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

// The user's applications folder comes first; hidden, incomplete and vanished entries are
// left out; the file takes the place of its field code, or comes last without one.
TEST(QtDesktop, ApplicationsForATypeComeFromTheCachesAndLaunchWithTheFile) {
    QTemporaryDir home, system;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_DIRS", system.path().toUtf8());
    const QString user = home.filePath("applications/"), shared = system.filePath("applications/");
    write(user + "mimeinfo.cache",
          "[MIME Cache]\nimage/png=touch.desktop;hidden.desktop;gone.desktop;\n"
          "text/plain=editor.desktop;\n");
    write(shared + "mimeinfo.cache", "[MIME Cache]\nimage/png=viewer.desktop;touch.desktop;\n");
    write(user + "touch.desktop", "[Desktop Entry]\nName=Toucher\nExec=touch %f\n");
    write(user + "hidden.desktop", "[Desktop Entry]\nName=Hidden\nExec=true\nNoDisplay=true\n");
    write(shared + "viewer.desktop", "[Desktop Entry]\nName=Viewer\nExec=touch\n");

    QtDesktop desktop;
    QStringList found;
    for (const DesktopApplication& application : desktop.applicationsFor("image/png"))
        found << application.id + '=' + application.name;
    EXPECT_EQ(found, (QStringList{"touch.desktop=Toucher", "viewer.desktop=Viewer"}));

    QTemporaryDir out;
    for (const char* name : {"touch.desktop", "viewer.desktop"}) {
        const QString id = QString::fromUtf8(name);
        SCOPED_TRACE(id.toStdString());
        const QString made = out.filePath(id + ".png");
        ASSERT_TRUE(desktop.launch({id, id}, made));
        QDeadlineTimer deadline(10'000);
        while (!QFile::exists(made) && !deadline.hasExpired())
            QThread::msleep(20);
        EXPECT_TRUE(QFile::exists(made));
    }
    const auto gone = desktop.launch({"gone.desktop", "Gone"}, out.filePath("x.png"));
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error(), "Gone is no longer installed.");
    write(user + "broken.desktop", "[Desktop Entry]\nName=Broken\nExec=/nonexistent/program %f\n");
    const auto broken = desktop.launch({"broken.desktop", "Broken"}, out.filePath("x.png"));
    ASSERT_FALSE(broken);
    EXPECT_TRUE(broken.error().startsWith("Broken could not start: "))
        << broken.error().toStdString();
    const auto copied = desktop.copyFile(out.filePath("missing.png"));
    ASSERT_FALSE(copied);
    EXPECT_TRUE(copied.error().contains("missing.png"));
}
