#include "DeliveryFixture.h"

#include <QFile>
#include <QUrl>

#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

TEST(SaveLocationStore, FolderIsUsableOnlyWhileItExistsAsADirectoryOutsideTheTrash) {
    struct Row {
        const char* name;
        std::function<QVariant(const QString& root)> arrange;  // returns the stored reference
        bool usable;
    };
    auto dir = [](const QString& path) {
        QDir().mkpath(path);
        return QVariant(path);
    };
    const Row rows[] = {
        {"never chosen", [](const QString&) { return QVariant(); }, false},
        {"existing folder", [&](const QString& r) { return dir(r + "/Shots"); }, true},
        {"deleted folder", [](const QString& r) { return QVariant(r + "/Gone"); }, false},
        {"a file, not a folder",
         [](const QString& r) {
             QFile file(r + "/file.png");
             file.open(QIODevice::WriteOnly);
             return QVariant(file.fileName());
         },
         false},
        {"moved to the trash", [&](const QString& r) { return dir(r + "/Trash/files/Shots"); },
         false},
        {"deep inside the trash", [&](const QString& r) { return dir(r + "/Trash/files/a/b"); },
         false},
        {"the trash itself", [&](const QString& r) { return dir(r + "/Trash"); }, true},
        {"the trash's files folder", [&](const QString& r) { return dir(r + "/Trash/files"); },
         true},
        {"a relative path", [&](const QString&) { return QVariant("Shots"); }, false},
        {"a number", [](const QString&) { return QVariant(42); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        const QVariant reference = row.arrange(f.home.path());
        if (reference.isValid()) f.settings.setSaveFolderBookmark(reference);
        EXPECT_EQ(f.saveLocation.currentFolder().has_value(), row.usable);
    }
}

TEST(SaveLocationStore, ReferenceInAnotherFormIsRefreshedToThePlainPath) {
    struct Row {
        const char* name;
        std::function<QVariant(const QString& folder)> stored;
    };
    const Row rows[] = {
        {"file URL", [](const QString& p) { return QVariant(QUrl::fromLocalFile(p).toString()); }},
        {"dot-dot parts", [](const QString& p) { return QVariant(p + "/../Shots"); }},
        {"trailing slash", [](const QString& p) { return QVariant(p + "/"); }},
        {"bytes", [](const QString& p) { return QVariant(p.toUtf8()); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        const QString folder = f.makeSaveFolder();
        f.settings.setSaveFolderBookmark(row.stored(folder));

        EXPECT_EQ(f.saveLocation.currentFolder(), folder);
        EXPECT_EQ(f.settings.saveFolderBookmark(), QVariant(folder));
    }
}

TEST(SaveLocationStore, ReferenceInAnotherFormResolvesWhenTheSettingsCannotBeWritten) {
    DeliveryFixture f;
    const QString folder = f.makeSaveFolder();
    f.settings.setSaveFolderBookmark(folder + "/");
    // Every write fails from here on, as in a read-only settings folder.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    rlimit limit = unlimited;
    limit.rlim_cur = 1;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::vector<std::optional<QString>> found;
    for (int i = 0; i < 3; ++i)
        found.push_back(f.saveLocation.currentFolder());
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, oldHandler);
    for (const auto& each : found)
        EXPECT_EQ(each, folder);
}

TEST(SaveLocationStore, FolderOnAVolumeThatComesBackIsUsedAgain) {
    DeliveryFixture f;
    const QString folder = f.makeSaveFolder();
    QDir(folder).removeRecursively();  // unmounted
    EXPECT_FALSE(f.saveLocation.currentFolder());
    EXPECT_EQ(f.settings.saveFolderBookmark(), QVariant(folder));  // still remembered
    QDir().mkpath(folder);
    EXPECT_EQ(f.saveLocation.currentFolder(), folder);
}

TEST(SaveLocationStore, PromptStoresThePickOrKeepsTheEarlierChoice) {
    DeliveryFixture f;
    const QString earlier = f.makeSaveFolder();
    f.picker.answer = std::nullopt;
    EXPECT_FALSE(f.saveLocation.promptForFolder());
    EXPECT_EQ(f.saveLocation.currentFolder(), earlier);
    EXPECT_EQ(f.picker.lastMessage,
              "Choose where Moxilane saves your screenshots (Desktop is a good default)");

    const QString picked = f.home.filePath("Other");
    QDir().mkpath(picked);
    f.picker.answer = picked + "/";
    EXPECT_TRUE(f.saveLocation.promptForFolder());
    EXPECT_EQ(f.saveLocation.currentFolder(), picked);
}

TEST(SaveLocationStore, RevealOffersThePickerWhenThereIsNoFolder) {
    struct Row {
        const char* name;
        bool hasFolder;
        std::optional<QString> pick;  // relative to home; "Missing" does not exist
        bool revealed;
        bool alert;
    };
    const Row rows[] = {
        {"folder chosen", true, std::nullopt, true, false},
        {"none, picker cancelled", false, std::nullopt, false, false},
        {"none, picks a folder", false, QString("Picked"), true, false},
        {"none, pick vanishes at once", false, QString("Missing"), false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        if (row.hasFolder) f.makeSaveFolder();
        QDir().mkpath(f.home.filePath("Picked"));
        if (row.pick) f.picker.answer = f.home.filePath(*row.pick);

        revealSaveFolder(f.saveLocation, f.desktop, f.alerts);

        EXPECT_EQ(f.picker.asked, row.hasFolder ? 0 : 1);
        EXPECT_EQ(f.desktop.revealed.size(), row.revealed ? 1 : 0);
        ASSERT_EQ(f.alerts.shown.size(), row.alert ? 1u : 0u);
        if (row.alert) {
            EXPECT_EQ(f.alerts.shown[0].message, "Could Not Access the Save Folder");
            EXPECT_EQ(f.alerts.shown[0].text, "Use \"Save To…\" to choose the folder again.");
        }
    }
}
