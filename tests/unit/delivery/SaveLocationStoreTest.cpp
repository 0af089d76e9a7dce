#include "DeliveryFixture.h"

#include <QFile>
#include <QUrl>

#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

TEST(SaveLocationStore, FolderIsUsableOnlyWhileItExistsAsADirectoryOutsideTheTrash) {
    enum Made { Nothing, Folder, File };
    struct Row {
        const char* name;
        QVariant stored;  // a path starting with "/" is under the home
        Made made;
        bool usable;
    };
    const Row rows[] = {
        {"never chosen", QVariant(), Nothing, false},
        {"existing folder", "/Shots", Folder, true},
        {"deleted folder", "/Gone", Nothing, false},
        {"a file, not a folder", "/file.png", File, false},
        {"moved to the trash", "/Trash/files/Shots", Folder, false},
        {"deep inside the trash", "/Trash/files/a/b", Folder, false},
        {"the trash itself", "/Trash", Folder, true},
        {"the trash's files folder", "/Trash/files", Folder, true},
        {"a relative path", "Shots", Nothing, false},
        {"a number", 42, Nothing, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        const QString path = f.home.path() + row.stored.toString();
        if (row.made == Folder) QDir().mkpath(path);
        if (row.made == File) QFile(path).open(QIODevice::WriteOnly);
        const bool underHome = row.stored.toString().startsWith('/');
        if (row.stored.isValid())
            f.settings.setSaveFolderBookmark(underHome ? QVariant(path) : row.stored);
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
    // name, has a folder, pick (under home; "Missing" does not exist), revealed, alert
    const std::tuple<const char*, bool, std::optional<QString>, bool, bool> rows[] = {
        {"folder chosen", true, std::nullopt, true, false},
        {"none, picker cancelled", false, std::nullopt, false, false},
        {"none, picks a folder", false, QString("Picked"), true, false},
        {"none, pick vanishes at once", false, QString("Missing"), false, true},
    };
    for (const auto& [name, hasFolder, pick, revealed, alert] : rows) {
        SCOPED_TRACE(name);
        DeliveryFixture f;
        if (hasFolder) f.makeSaveFolder();
        QDir().mkpath(f.home.filePath("Picked"));
        if (pick) f.picker.answer = f.home.filePath(*pick);

        revealSaveFolder(f.saveLocation, f.desktop, f.alerts);

        EXPECT_EQ(f.picker.asked, hasFolder ? 0 : 1);
        EXPECT_EQ(f.desktop.revealed.size(), revealed ? 1 : 0);
        ASSERT_EQ(f.alerts.shown.size(), alert ? 1u : 0u);
        if (alert) {
            EXPECT_EQ(f.alerts.shown[0].message, "Could Not Access the Save Folder");
            EXPECT_EQ(f.alerts.shown[0].text, "Use \"Save To…\" to choose the folder again.");
        }
    }
}
