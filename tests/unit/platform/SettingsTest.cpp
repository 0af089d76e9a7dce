#include "platform/Settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

struct Values {
    bool copy, alsoCopy, openAfter, shadow;
    bool operator==(const Values&) const = default;
};
constexpr Values kDefaults{false, true, false, true}, kFlipped{true, false, true, false};

Values read(const Settings& s) {
    return {s.copyToClipboard(), s.alsoCopyToClipboard(), s.openAfterCapture(), s.windowShadow()};
}

QByteArray ini(const char* copy, const char* alsoCopy, const char* open, const char* shadow) {
    return QByteArray("[General]\ncopyToClipboard=") + copy + "\nalsoCopyToClipboard=" + alsoCopy +
           "\nopenAfterCapture=" + open + "\nwindowShadow=" + shadow + "\n";
}

}  // namespace

TEST(Settings, AbsentCorruptAndWronglyTypedValuesReadAsTheirDefaults) {
    const std::tuple<const char*, QByteArray, Values> rows[] = {
        {"no file", {}, kDefaults},
        {"all set", ini("true", "false", "true", "false"), kFlipped},
        {"wrong types", ini("7", "yes please", "@ByteArray(x)", "1, 2"), kDefaults},
        {"Booleans in any case, and 1 and 0", ini("TRUE", "0", "1", "False"), kFlipped},
        {"other words read as absent", ini("yes", "off", "on", "2"), kDefaults},
        {"a bad line loses only its own key",
         ini("true\nnote=\"unbalanced\n[broken\nstray words", "false", "true", "false"), kFlipped},
        {"binary garbage", QByteArray::fromHex("00ff135b5b5b3d0a013d"), kDefaults},
    };
    for (const auto& [name, contents, expected] : rows) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QString path = dir.filePath("Moxilane.conf");
        if (!contents.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        const Values v = read(Settings(path));
        EXPECT_TRUE(v == expected) << v.copy << v.alsoCopy << v.openAfter << v.shadow;
    }
}

TEST(Settings, UnreadableFileReadsAsDefaults) {
    QTemporaryDir dir;
    // A folder where the file should be cannot be read by anyone, root included.
    const QString path = dir.filePath("Moxilane.conf");
    ASSERT_TRUE(QDir().mkpath(path));
    Settings settings(path);
    settings.setCopyToClipboard(true);  // cannot be written either; must not crash
    EXPECT_TRUE(read(settings) == kDefaults);
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
