#include "platform/Settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

struct Values {
    bool copy, alsoCopy, openAfter, shadow;
};

Values read(const Settings& s) {
    return {s.copyToClipboard(), s.alsoCopyToClipboard(), s.openAfterCapture(), s.windowShadow()};
}

}  // namespace

TEST(Settings, AbsentCorruptAndWronglyTypedValuesReadAsTheirDefaults) {
    struct Row {
        const char* name;
        QByteArray file;  // empty: no file at all
        Values expected;
    };
    const Row rows[] = {
        {"no file", {}, {false, true, false, true}},
        {"all set",
         "[General]\ncopyToClipboard=true\nalsoCopyToClipboard=false\n"
         "openAfterCapture=true\nwindowShadow=false\n",
         {true, false, true, false}},
        {"wrong types",
         "[General]\ncopyToClipboard=7\nalsoCopyToClipboard=yes please\n"
         "openAfterCapture=@ByteArray(x)\nwindowShadow=1, 2\n",
         {false, true, false, true}},
        {"Booleans in any case, and 1 and 0",
         "[General]\ncopyToClipboard=TRUE\nalsoCopyToClipboard=0\n"
         "openAfterCapture=1\nwindowShadow=False\n",
         {true, false, true, false}},
        {"other words read as absent",
         "[General]\ncopyToClipboard=yes\nalsoCopyToClipboard=off\n"
         "openAfterCapture=on\nwindowShadow=2\n",
         {false, true, false, true}},
        {"a bad line loses only its own key",
         "[General]\ncopyToClipboard=true\nnote=\"unbalanced\n[broken\nstray words\n"
         "alsoCopyToClipboard=false\nopenAfterCapture=true\nwindowShadow=false\n",
         {true, false, true, false}},
        {"binary garbage", QByteArray::fromHex("00ff135b5b5b3d0a013d"), {false, true, false, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("Moxilane.conf");
        if (!row.file.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(row.file);
        }
        const Values v = read(Settings(path));
        EXPECT_EQ(v.copy, row.expected.copy);
        EXPECT_EQ(v.alsoCopy, row.expected.alsoCopy);
        EXPECT_EQ(v.openAfter, row.expected.openAfter);
        EXPECT_EQ(v.shadow, row.expected.shadow);
    }
}

TEST(Settings, UnreadableFileReadsAsDefaults) {
    QTemporaryDir dir;
    // A folder where the file should be cannot be read by anyone, root included.
    const QString path = dir.filePath("Moxilane.conf");
    ASSERT_TRUE(QDir().mkpath(path));
    Settings settings(path);
    settings.setCopyToClipboard(true);  // cannot be written either; must not crash
    const Values v = read(settings);
    EXPECT_FALSE(v.copy);
    EXPECT_TRUE(v.alsoCopy);
    EXPECT_TRUE(v.shadow);
}

TEST(Settings, FailedWriteIsSaidOnceOnStandardError) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("config"));  // a file where the settings folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    Settings settings(dir.filePath("config/Moxilane.conf"));
    testing::internal::CaptureStderr();
    settings.setCopyToClipboard(true);
    settings.setWindowShadow(false);
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
    EXPECT_TRUE(said.startsWith("moxilane: cannot write the settings file " +
                                dir.filePath("config/Moxilane.conf")))
        << said.toStdString();
}

TEST(Settings, WritesAreSeenByTheNextReaderAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/Moxilane.conf");
    Settings writer(path);
    const Settings reader(path);
    writer.setAlsoCopyToClipboard(false);
    for (const QString& folder : {QStringLiteral("/tmp/a, b"), QStringLiteral(" /x;\"y\\z\n@")}) {
        writer.setSaveFolderBookmark(folder);
        EXPECT_EQ(reader.saveFolderBookmark(), QVariant(folder));
    }
    EXPECT_FALSE(reader.alsoCopyToClipboard());
}
