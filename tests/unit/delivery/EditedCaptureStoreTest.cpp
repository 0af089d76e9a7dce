#include "DeliveryFixture.h"
#include "delivery/EditedCaptureStore.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

class FakeSavePanel final : public SavePanel {
public:
    std::optional<QString> askSavePath(const QString& fileName, const QString&) override {
        offered << fileName;
        if (answers.isEmpty()) return std::nullopt;
        return answers.takeFirst();
    }
    QStringList answers;  // then cancelled
    QStringList offered;
};

struct EditedCaptureFixture : test::DeliveryFixture {
    FakeSavePanel savePanel;
    EditedCaptureStore store{{saveLocation, clock, savePanel, alerts, clipboard}};
    QString folder = makeSaveFolder();
    const QString editName = QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123.png");

    QString write(const QString& name) {
        QFile file(QDir(folder).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("captured");
        return file.fileName();
    }
};

QImage edited() {
    return test::solid({40, 30}, Qt::red);
}

}  // namespace

TEST(EditedCaptureStore, SavesANewTimeStampedFileBesideTheCapture) {
    EditedCaptureFixture f;
    const QString captured = f.write(QStringLiteral("Screenshot 2024-03-05 at 14.02.00.000.png"));
    const auto path = f.store.saveEditedImage(edited(), 2.0);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, QDir(f.folder).filePath(f.editName));
    EXPECT_EQ(QImage(*path).convertToFormat(QImage::Format_RGB32), edited());
    QFile capturedFile(captured);
    ASSERT_TRUE(capturedFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(capturedFile.readAll(), "captured");
    EXPECT_TRUE(f.savePanel.offered.isEmpty());
}

TEST(EditedCaptureStore, WithoutAFolderTheDialogOffersTheNameAndCancelWritesNothing) {
    EditedCaptureFixture f;
    f.settings.setSaveFolderBookmark(f.home.filePath("gone"));
    EXPECT_FALSE(f.store.saveEditedImage(edited(), 1.0));
    EXPECT_EQ(f.savePanel.offered, QStringList{f.editName});
    EXPECT_TRUE(f.alerts.shown.empty());
    EXPECT_TRUE(QDir(f.folder).entryList(QDir::Files).isEmpty());

    const QString chosen = f.home.filePath("elsewhere.png");
    f.savePanel.answers = {chosen};
    EXPECT_EQ(f.store.saveEditedImage(edited(), 1.0), chosen);
    EXPECT_TRUE(QFile::exists(chosen));
}

TEST(EditedCaptureStore, AFailedWriteIsReportedAndTheDialogOfferedAgain) {
    EditedCaptureFixture f;
    // The folder cannot take the file: its name is held by a folder.
    QDir(f.folder).mkdir(f.editName);
    // The first place chosen lies under a regular file.
    const QString blocker = f.write(QStringLiteral("not-a-folder"));
    const QString good = f.home.filePath("kept.png");
    f.savePanel.answers = {blocker + "/edit.png", good};

    EXPECT_EQ(f.store.saveEditedImage(edited(), 1.0), good);
    EXPECT_EQ(f.savePanel.offered, (QStringList{f.editName, "edit.png"}));
    ASSERT_EQ(f.alerts.shown.size(), 1u);
    EXPECT_EQ(f.alerts.shown[0].message, "Could Not Save the Screenshot");
    EXPECT_TRUE(f.alerts.shown[0].text.contains("edit.png"));
    EXPECT_TRUE(f.alerts.shown[0].text.contains("Not a directory"))
        << f.alerts.shown[0].text.toStdString();
    EXPECT_FALSE(f.alerts.shown[0].text.contains("clipboard"));
    EXPECT_TRUE(QFile::exists(good));

    // Cancelling after a failure is the user's choice: nothing more is written or said.
    f.savePanel.answers = {blocker + "/again.png"};
    EXPECT_FALSE(f.store.saveEditedImage(edited(), 1.0));
    EXPECT_EQ(f.alerts.shown.size(), 2u);
    EXPECT_EQ(QDir(f.folder).entryList(QDir::Files), QStringList{"not-a-folder"});
}

TEST(EditedCaptureStore, DiscardRemovesBothDisplaysFilesAndTheClipboardImage) {
    EditedCaptureFixture f;
    const QString first = f.write("Screenshot 2024-03-05 at 14.02.00.000.png");
    const QString second = f.write("Screenshot 2024-03-05 at 14.02.00.000 (2).png");
    const QString savedEdit = f.write(f.editName);
    const QString movedAway = QDir(f.folder).filePath("moved.png");  // no longer there
    f.clipboard.setPngImage("png");
    f.store.discardCapture({first, second, movedAway});
    EXPECT_EQ(QDir(f.folder).entryList(QDir::Files), QStringList{f.editName});
    EXPECT_TRUE(QFile::exists(savedEdit));
    EXPECT_EQ(f.clipboard.clears, 1);
    EXPECT_TRUE(f.alerts.shown.empty());
    f.store.discardCapture({});  // text on the clipboard now: kept
    EXPECT_EQ(f.clipboard.clears, 1);
}
