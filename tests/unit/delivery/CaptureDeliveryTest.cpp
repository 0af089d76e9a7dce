#include "DeliveryFixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

namespace {

CaptureList twoDisplays() {
    return {{solid({40, 30}, Qt::red), 1.0}, {solid({20, 10}, Qt::blue), 2.0}};
}

QImage decoded(const QByteArray& png) {
    return QImage::fromData(png, "PNG");
}

}  // namespace

TEST(CaptureDelivery, ClipboardAndFilesFollowTheSettings) {
    enum Folder { None, Chosen };
    struct Row {
        const char* name;
        std::optional<bool> clipboardOnly, alsoCopy;
        Folder folder;
        std::vector<QColor> onClipboard;
        int files;
    };
    const Row rows[] = {
        {"clipboard only: every display, no file", true, {}, Chosen, {Qt::red, Qt::blue}, 0},
        {"also copy never set, folder: first only, both files", {}, {}, Chosen, {Qt::red}, 2},
        {"also copy on, no folder: every display", false, true, None, {Qt::red, Qt::blue}, 0},
        {"also copy off, no folder: nothing", false, false, None, {}, 0},
        {"also copy off, folder: files only", false, false, Chosen, {}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        if (row.clipboardOnly) f.settings.setCopyToClipboard(*row.clipboardOnly);
        if (row.alsoCopy) f.settings.setAlsoCopyToClipboard(*row.alsoCopy);
        if (row.folder == Chosen) f.makeSaveFolder();

        ASSERT_TRUE(f.deliverNow(twoDisplays()));

        ASSERT_EQ(f.clipboard.items.size(), row.onClipboard.size());
        EXPECT_EQ(f.clipboard.writes, row.onClipboard.empty() ? 0 : 1);
        for (std::size_t i = 0; i < row.onClipboard.size(); ++i) {
            EXPECT_EQ(decoded(f.clipboard.items[i]).pixelColor(0, 0), row.onClipboard[i]);
        }
        EXPECT_EQ(f.savedFiles().size(), row.files);
        EXPECT_TRUE(f.alerts.shown.empty());
        ASSERT_EQ(f.preview.shown.size(), 1u);
        EXPECT_EQ(f.preview.shown[0].image.pixelColor(0, 0), QColor(Qt::red));
    }
}

TEST(CaptureDelivery, FilesAreNamedByCaptureTimeAndKeepPixelsAndScale) {
    DeliveryFixture f;
    f.makeSaveFolder();
    ASSERT_TRUE(f.deliverNow(twoDisplays()));

    EXPECT_EQ(f.savedFiles(), (QStringList{"Screenshot 2024-03-05 at 14.07.09.123 (2).png",
                                           "Screenshot 2024-03-05 at 14.07.09.123.png"}));
    const QImage first(f.home.filePath("Shots/Screenshot 2024-03-05 at 14.07.09.123.png"));
    const QImage second(f.home.filePath("Shots/Screenshot 2024-03-05 at 14.07.09.123 (2).png"));
    EXPECT_EQ(first.size(), QSize(40, 30));
    EXPECT_EQ(first.pixelColor(39, 29), QColor(Qt::red));
    EXPECT_EQ(second.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(first.dotsPerMeterX(), 2835);   // 72 ppi
    EXPECT_EQ(second.dotsPerMeterX(), 5669);  // 144 ppi
    // The clipboard gets the same encoding as the file.
    QFile file(f.home.filePath("Shots/Screenshot 2024-03-05 at 14.07.09.123.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.clipboard.items.at(0), file.readAll());
}

TEST(CaptureDelivery, FailedWritesAreReportedAfterTheOthersAreSavedAndOpened) {
    struct Row {
        const char* name;
        int captures;
        int failing;  // index whose file cannot be written
        QString suffix;
    };
    const Row rows[] = {
        {"second of three fails", 3, 1, " 2 of 3 files were saved."},
        {"the only write fails", 1, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        const QString folder = f.makeSaveFolder();
        f.settings.setOpenAfterCapture(true);
        // A folder where the file should go: the write fails whoever runs the test.
        const QString blocked =
            row.failing == 0 ? QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123.png")
                             : QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123 (%1).png")
                                   .arg(row.failing + 1);
        QDir(folder).mkdir(blocked);
        CaptureList captures;
        for (int i = 0; i < row.captures; ++i)
            captures.push_back({solid({8, 8}, Qt::green), 1.0});
        bool previewShownBeforeAlert = false;
        f.alerts.onShow = [&] { previewShownBeforeAlert = !f.preview.shown.empty(); };

        ASSERT_TRUE(f.deliverNow(captures));

        EXPECT_EQ(f.desktop.opened.size(), row.captures - 1);
        for (const QString& path : f.desktop.opened)
            EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        ASSERT_EQ(f.alerts.shown.size(), 1u);
        EXPECT_EQ(f.alerts.shown[0].message, "Could Not Save the Screenshot");
        const QString text = f.alerts.shown[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("The file “%1” couldn’t be saved").arg(blocked)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("\nThe screenshot is still on the clipboard." + row.suffix))
            << text.toStdString();
        EXPECT_FALSE(previewShownBeforeAlert);
        ASSERT_EQ(f.preview.shown.size(), 1u);
        // The editor learns only of the files that were written.
        f.preview.lastOnEdit();
        ASSERT_EQ(f.edits.size(), 1u);
        EXPECT_EQ(f.edits[0].second, f.desktop.opened);
    }
}

TEST(CaptureDelivery, FolderThatVanishesBeforeSavingGetsTheFolderAlert) {
    DeliveryFixture f;
    const QString folder = f.makeSaveFolder();
    bool done = false;
    f.delivery.deliver({{solid({8, 8}, Qt::red), 1.0}}, [&] { done = true; });
    QDir(folder).removeRecursively();  // while the capture is being encoded
    f.scheduler.runUntilIdle();

    EXPECT_TRUE(done);
    ASSERT_EQ(f.alerts.shown.size(), 1u);
    EXPECT_EQ(f.alerts.shown[0].message, "Could Not Access the Save Folder");
    EXPECT_EQ(
        f.alerts.shown[0].text,
        "The screenshot is still on the clipboard. Use \"Save To…\" to choose the folder again.");
    EXPECT_EQ(f.clipboard.items.size(), 1u);
    EXPECT_EQ(f.preview.shown.size(), 1u);
    f.preview.lastOnEdit();
    EXPECT_TRUE(f.edits.at(0).second.isEmpty());
}

TEST(CaptureDelivery, EmptyListChangesNothing) {
    DeliveryFixture f;
    f.makeSaveFolder();
    EXPECT_TRUE(f.deliverNow({}));
    EXPECT_EQ(f.clipboard.writes, 0);
    EXPECT_TRUE(f.savedFiles().isEmpty());
    EXPECT_TRUE(f.preview.shown.empty());
}

TEST(CaptureDelivery, ImageThatCannotBeEncodedLeavesTheClipboardAlone) {
    DeliveryFixture f;
    f.settings.setCopyToClipboard(true);
    EXPECT_TRUE(f.deliverNow({{QImage(), 1.0}}));
    EXPECT_EQ(f.clipboard.writes, 0);
}
