#include "platform/posix/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

const QString kProgram = "/opt/moxilane/bin/moxilane";

void writeEntry(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

TEST(XdgAutostart, OnOnlyWhenTheEntryStartsThisProgramAndIsNotSwitchedOff) {
    struct Row {
        const char* name;
        QByteArray entry;  // empty: no file
        LoginItemStatus expected;
    };
    using S = LoginItemStatus;
    const Row rows[] = {
        {"no entry", {}, S::NotRegistered},
        {"ours", "[Desktop Entry]\nType=Application\nExec=/opt/moxilane/bin/moxilane\n",
         S::Enabled},
        {"ours, quoted", "[Desktop Entry]\nExec=\"/opt/moxilane/bin/moxilane\"\n", S::Enabled},
        {"another program", "[Desktop Entry]\nExec=/usr/bin/moxilane\n", S::NotRegistered},
        {"hidden", "[Desktop Entry]\nExec=/opt/moxilane/bin/moxilane\nHidden=true\n",
         S::NotRegistered},
        {"switched off in GNOME",
         "[Desktop Entry]\nExec=/opt/moxilane/bin/moxilane\nX-GNOME-Autostart-enabled=false\n",
         S::NotRegistered},
        {"Exec in an action only",
         "[Desktop Entry]\nExec=/bin/true\n[Desktop Action a]\nExec=/opt/moxilane/bin/moxilane\n",
         S::NotRegistered},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir config;
        XdgAutostart item(config.filePath("autostart"), kProgram);
        if (!row.entry.isEmpty()) writeEntry(item.entryPath(), row.entry);
        EXPECT_EQ(item.status(), row.expected);
    }
}

TEST(XdgAutostart, RegisterWritesAFreshEntryAndUnregisterRemovesIt) {
    QTemporaryDir config;
    // A path the entry has to quote, and a switched-off entry to replace.
    const QString program = config.filePath("my \"tools\"/$HOME 100%/moxilane");
    XdgAutostart item(config.filePath("autostart"), program);
    writeEntry(item.entryPath(), "[Desktop Entry]\nExec=/usr/bin/other\nHidden=true\n");
    ASSERT_TRUE(item.registerItem());
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
    EXPECT_EQ(QDir(config.filePath("autostart")).entryList(QDir::Files),
              QStringList{"moxilane.desktop"});  // no temporary left behind

    ASSERT_TRUE(item.unregisterItem());
    EXPECT_FALSE(QFile::exists(item.entryPath()));
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    EXPECT_TRUE(item.unregisterItem());  // removed by hand meanwhile: nothing to do
}

TEST(XdgAutostart, AnUnusableFolderIsReportedWithTheSystemsReason) {
    QTemporaryDir config;
    writeEntry(config.filePath("autostart"), {});  // a file where the folder goes
    XdgAutostart item(config.filePath("autostart"), kProgram);
    const auto registered = item.registerItem();
    ASSERT_FALSE(registered);
    EXPECT_TRUE(registered.error().contains("Not a directory")) << registered.error().toStdString();
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);

    // The entry's folder replaced by a file: the entry itself cannot be written either.
    QTemporaryDir other;
    XdgAutostart nested(other.filePath("autostart"), kProgram);
    ASSERT_TRUE(QDir().mkpath(nested.entryPath()));  // a folder where the entry goes
    const auto overFolder = nested.registerItem();
    ASSERT_FALSE(overFolder);
    EXPECT_TRUE(overFolder.error().contains("moxilane.desktop"))
        << overFolder.error().toStdString();
}
