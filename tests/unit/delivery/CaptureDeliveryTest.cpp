#include "DeliveryFixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

namespace {

// Side by side as on a desktop, the second lower down: the layout is 60 × 30 with a gap.
CaptureList twoDisplays() {
    return {{solid({40, 30}, Qt::red), 1.0, {0, 0}}, {solid({20, 10}, Qt::blue), 2.0, {40, 5}}};
}

const QString kNothingKept = QStringLiteral(
    "No save folder is available, and the screenshot is not on the clipboard. Use \"Save To…\" "
    "to choose a folder.");

}  // namespace

TEST(CaptureDelivery, ClipboardFilesAndAlertFollowTheSettings) {
    enum Folder { None, Chosen, IsAFile };
    enum Clip { Nothing, FirstOnly, WholeLayout };
    struct Row {
        const char* name;
        std::optional<bool> clipboardOnly, alsoCopy;
        Folder folder;
        Clip clipboard;
        int files;
        QString alert;         // empty: none
        bool refuses = false;  // the desktop takes no copy now: the preview says so
    };
    const Row rows[] = {
        {"clipboard only: the whole layout, no file", true, {}, Chosen, WholeLayout, 0, {}},
        {"also copy never set, folder: first only, both files", {}, {}, Chosen, FirstOnly, 2, {}},
        {"also copy on, no folder: the whole layout", false, true, None, WholeLayout, 0, {}},
        {"also copy off, folder: files only", false, false, Chosen, Nothing, 2, {}},
        {"also copy off, no folder: nothing kept", false, false, None, Nothing, 0, kNothingKept},
        {"also copy off, folder replaced by a file", false, false, IsAFile, Nothing, 0,
         kNothingKept},
        {"clipboard only, copy refused: no alert", true, {}, Chosen, Nothing, 0, {}, true},
        {"also copy, folder, copy refused: files", {}, {}, Chosen, Nothing, 2, {}, true},
        {"also copy, no folder, copy refused", false, true, None, Nothing, 0, kNothingKept, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        if (row.clipboardOnly) f.settings.setCopyToClipboard(*row.clipboardOnly);
        if (row.alsoCopy) f.settings.setAlsoCopyToClipboard(*row.alsoCopy);
        if (row.folder != None) f.makeSaveFolder();
        if (row.folder == IsAFile) {
            QDir(f.home.filePath("Shots")).removeRecursively();
            QFile(f.home.filePath("Shots")).open(QIODevice::WriteOnly);
        }
        f.clipboard.refuses = row.refuses;
        bool previewShownBeforeAlert = false;
        f.alerts.onShow = [&] { previewShownBeforeAlert = !f.preview.shown.empty(); };
        f.delivery.holdClipboard();
        ASSERT_TRUE(f.deliverNow(twoDisplays()));

        EXPECT_EQ(f.clipboard.holds,
                  row.clipboardOnly.value_or(false) || row.alsoCopy.value_or(true));

        EXPECT_EQ(f.clipboard.writes, row.clipboard == Nothing ? 0 : 1);
        const QImage onClipboard = QImage::fromData(f.clipboard.png, "PNG");
        if (row.clipboard == FirstOnly) {
            EXPECT_TRUE(onClipboard == twoDisplays()[0].image);
        }
        if (row.clipboard == WholeLayout) {
            ASSERT_EQ(onClipboard.size(), QSize(60, 30));
            EXPECT_EQ(onClipboard.pixelColor(39, 29), QColor(Qt::red));
            EXPECT_EQ(onClipboard.pixelColor(40, 5), QColor(Qt::blue));
            EXPECT_EQ(onClipboard.pixelColor(59, 14), QColor(Qt::blue));
            EXPECT_EQ(onClipboard.pixelColor(50, 4).alpha(), 0);  // no display there
            EXPECT_EQ(onClipboard.pixelColor(50, 15).alpha(), 0);
            EXPECT_EQ(onClipboard.dotsPerMeterX(), 2835);  // the first display's scale
        }
        EXPECT_EQ(f.savedFiles().size(), row.files);
        ASSERT_EQ(f.alerts.shown.size(), row.alert.isEmpty() ? 0u : 1u);
        if (!row.alert.isEmpty()) {
            EXPECT_EQ(f.alerts.shown[0].message, "Could Not Save the Screenshot");
            EXPECT_EQ(f.alerts.shown[0].text, row.alert);
            EXPECT_FALSE(previewShownBeforeAlert);
        }
        ASSERT_EQ(f.preview.shown.size(), 1u);
        EXPECT_EQ(f.preview.shown[0].image.pixelColor(0, 0), QColor(Qt::red));
        EXPECT_EQ(f.preview.shown[0].saved, row.files > 0);
        EXPECT_EQ(f.preview.shown[0].copied, row.clipboard != Nothing);
        EXPECT_EQ(f.preview.shown[0].copyRefused, row.refuses);
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
    EXPECT_EQ(f.clipboard.png, file.readAll());
}

TEST(CaptureDelivery, FailedWritesAreReportedAfterTheOthersAreSavedAndOpened) {
    // name, captures, the one whose file cannot be written, also copy, the alert's ending
    const std::tuple<const char*, int, int, bool, QString> rows[] = {
        {"second of three fails, also copy: the first is on the clipboard", 3, 1, true,
         "The first display's screenshot is still on the clipboard. 2 of 3 files were saved."},
        {"the only write fails, also copy", 1, 0, true,
         "The screenshot is still on the clipboard."},
        {"the only write fails, no copy", 1, 0, false, "The screenshot is not on the clipboard."},
    };
    for (const auto& [name, count, failing, alsoCopy, ending] : rows) {
        SCOPED_TRACE(name);
        DeliveryFixture f;
        const QString folder = f.makeSaveFolder();
        f.settings.setOpenAfterCapture(true);
        f.settings.setAlsoCopyToClipboard(alsoCopy);
        // A folder where the file should go: the write fails whoever runs the test.
        const QString number = failing ? QStringLiteral(" (%1)").arg(failing + 1) : "";
        const QString blocked = "Screenshot 2024-03-05 at 14.07.09.123" + number + ".png";
        QDir(folder).mkdir(blocked);
        CaptureList captures;
        for (int i = 0; i < count; ++i)
            captures.push_back({solid({8, 8}, Qt::green), 1.0});
        bool previewShownBeforeAlert = false;
        f.alerts.onShow = [&] { previewShownBeforeAlert = !f.preview.shown.empty(); };
        std::vector<QImage> prepared;
        std::weak_ptr<void> readyEditor;
        f.delivery.setPrepareEdit([&](const Capture& primary) {
            prepared.push_back(primary.image);
            auto editor = std::make_shared<int>();
            readyEditor = editor;
            return editor;
        });

        ASSERT_TRUE(f.deliverNow(captures));

        EXPECT_EQ(f.desktop.opened.size(), count - 1);
        for (const QString& path : f.desktop.opened)
            EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        ASSERT_EQ(f.alerts.shown.size(), 1u);
        EXPECT_EQ(f.alerts.shown[0].message, "Could Not Save the Screenshot");
        const QString text = f.alerts.shown[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("The file “%1” couldn’t be saved").arg(blocked)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("\n" + ending)) << text.toStdString();
        EXPECT_FALSE(previewShownBeforeAlert);
        ASSERT_EQ(f.preview.shown.size(), 1u);
        // The editor learns only of the files that were written.
        f.preview.lastOnEdit();
        ASSERT_EQ(f.edits.size(), 1u);
        QStringList editable;
        for (const SavedFile& file : f.edits[0].second)
            editable << file.path;
        EXPECT_EQ(editable, f.desktop.opened);
        // The editor made ready for the click goes with the thumbnail's actions.
        EXPECT_EQ(prepared, std::vector<QImage>{captures.front().image});
        EXPECT_FALSE(readyEditor.expired());
        f.preview.lastOnEdit = {};
        EXPECT_TRUE(readyEditor.expired());
        // A preview that stays, as a notification does, would hold a ready editor for long.
        f.preview.leaves = false;
        ASSERT_TRUE(f.deliverNow({{solid({8, 8}, Qt::red), 1.0}}));
        EXPECT_EQ(prepared.size(), 1u);
    }
}

TEST(CaptureDelivery, FolderThatVanishesBeforeSavingGetsTheFolderAlert) {
    struct Row {
        const char* name;
        bool alsoCopy, twoDisplays;
        QString clipboardLine;
    };
    const Row rows[] = {
        {"also copy", true, false, "The screenshot is still on the clipboard."},
        {"two displays", true, true, "The first display's screenshot is still on the clipboard."},
        {"no copy", false, false, "The screenshot is not on the clipboard."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeliveryFixture f;
        const QString folder = f.makeSaveFolder();
        f.settings.setAlsoCopyToClipboard(row.alsoCopy);
        bool done = false;
        f.delivery.deliver(
            row.twoDisplays ? twoDisplays() : CaptureList{{solid({8, 8}, Qt::red), 1.0}},
            [&] { done = true; });
        QDir(folder).removeRecursively();  // while the capture is being encoded
        f.scheduler.runUntilIdle();

        EXPECT_TRUE(done);
        ASSERT_EQ(f.alerts.shown.size(), 1u);
        EXPECT_EQ(f.alerts.shown[0].message, "Could Not Access the Save Folder");
        EXPECT_EQ(f.alerts.shown[0].text,
                  row.clipboardLine + " Use \"Save To…\" to choose the folder again.");
        EXPECT_EQ(f.clipboard.writes, row.alsoCopy ? 1 : 0);
        EXPECT_EQ(f.preview.shown.size(), 1u);
        f.preview.lastOnEdit();
        EXPECT_TRUE(f.edits.at(0).second.empty());
    }
}

TEST(CaptureDelivery, EmptyListChangesNothing) {
    DeliveryFixture f;
    f.makeSaveFolder();
    EXPECT_TRUE(f.deliverNow({}));
    EXPECT_EQ(f.clipboard.writes, 0);
    EXPECT_TRUE(f.savedFiles().isEmpty());
    EXPECT_TRUE(f.preview.shown.empty());
}

TEST(CaptureDelivery, ImageThatCannotBeEncodedLeavesTheClipboardAloneAndSaysSo) {
    DeliveryFixture f;
    f.settings.setCopyToClipboard(true);
    EXPECT_TRUE(f.deliverNow({{QImage(), 1.0}}));
    EXPECT_EQ(f.clipboard.writes, 0);
    ASSERT_EQ(f.alerts.shown.size(), 1u);
    EXPECT_EQ(f.alerts.shown[0].message, "Could Not Copy the Screenshot");
    EXPECT_EQ(f.alerts.shown[0].text,
              "The image could not be encoded. The screenshot is not on the clipboard.");
}
