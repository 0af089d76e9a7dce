#include "DeliveryFixture.h"
#include "delivery/EditedCaptureStore.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

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

TEST(EditedCaptureStore, DiscardRemovesOnlyTheFilesItsDeliveryWrote) {
    // What happened at the capture's path between its delivery and the discard.
    enum class Since { nothing, replaced, linked, removed, madeFolder };
    struct Row {
        const char* name;
        Since since;
        bool leftThere;
    };
    const Row rows[] = {
        {"the same file", Since::nothing, false},
        {"another file saved over the name", Since::replaced, true},
        {"a link to the capture put in its place", Since::linked, true},
        {"gone", Since::removed, false},
        {"a folder of the same name", Since::madeFolder, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EditedCaptureFixture f;
        const QString path = f.write("Screenshot 2024-03-05 at 14.02.00.000.png");
        const QString second = f.write("Screenshot 2024-03-05 at 14.02.00.000 (2).png");
        const SavedFiles delivered{{path, *regularFileIdentity(path)},
                                   {second, *regularFileIdentity(second)}};
        const QString elsewhere = f.home.filePath("elsewhere.png");
        switch (row.since) {
            case Since::nothing:
                break;
            case Since::replaced:  // as a save does: a new file renamed over the name
                QFile::copy(second, elsewhere);
                ASSERT_EQ(::rename(qPrintable(elsewhere), qPrintable(path)), 0);
                break;
            case Since::linked:
                QFile::rename(path, elsewhere);
                QFile::link(elsewhere, path);
                break;
            case Since::removed:
                QFile::remove(path);
                break;
            case Since::madeFolder:
                QFile::remove(path);
                QDir().mkdir(path);
                break;
        }
        f.clipboard.setPngImage("png");
        f.store.discardCapture(delivered);
        EXPECT_EQ(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), row.leftThere);
        EXPECT_FALSE(QFile::exists(second));
        if (row.since == Since::linked) {
            EXPECT_TRUE(QFile::exists(elsewhere));
        }
        EXPECT_EQ(f.clipboard.clears, 1);
        EXPECT_TRUE(f.alerts.shown.empty());
    }
}

TEST(EditedCaptureStore, DiscardLeavesTextOnTheClipboard) {
    EditedCaptureFixture f;
    f.store.discardCapture({});
    EXPECT_EQ(f.clipboard.clears, 0);
}
