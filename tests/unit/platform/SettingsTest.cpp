#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <future>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // A spent screen-cast token is cleared, so the desktop asks again rather than fail.
    writer.setScreenCastRestoreToken(QStringLiteral("6a1f0b3e-9c2d-4e5f-8a7b-1c2d3e4f5a6b"));
    EXPECT_EQ(reader.screenCastRestoreToken(), "6a1f0b3e-9c2d-4e5f-8a7b-1c2d3e4f5a6b");
    writer.setScreenCastRestoreToken({});
    EXPECT_EQ(reader.screenCastRestoreToken(), QString());
}

namespace {

// Runs job on a thread; when it has not finished by the deadline, unblock() frees it and
// the result says it hung.
bool finishesInTime(const std::function<void()>& job, const std::function<void()>& unblock) {
    auto done = std::async(std::launch::async, job);
    if (done.wait_for(std::chrono::seconds(4)) == std::future_status::ready) return true;
    do
        unblock();
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    return false;
}

}  // namespace

// A FIFO at the file, a folder where Qt would put its lock file, a lock another writer
// never frees: nothing hangs, reads give the defaults, each problem is said once.
TEST(Settings, HostileFilesNeitherHangNorBreakTheProgram) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Moxilane.conf");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(mkfifo(native.constData(), 0600), 0);
    Settings settings(path);
    testing::internal::CaptureStderr();
    Values values{};
    EXPECT_TRUE(finishesInTime([&] { values = read(settings); },
                               [&] {
                                   const int fd = open(native.constData(), O_WRONLY | O_NONBLOCK);
                                   if (fd >= 0) close(fd);
                               }));
    EXPECT_TRUE(values == kDefaults);
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(path)) << said.toStdString();
    unlink(native.constData());

    ASSERT_TRUE(QDir().mkpath(path + ".lock"));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(finishesInTime([&] { settings.setWindowShadow(false); },
                               [&] { QDir(path + ".lock").removeRecursively(); }));
    EXPECT_FALSE(settings.windowShadow());

    const int otherWriter = open(QFile::encodeName(dir.path()), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(otherWriter, LOCK_EX), 0);
    settings.setWindowShadow(true);  // skipped after a moment
    settings.setCopyToClipboard(true);
    close(otherWriter);
    const QString lockSaid = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(lockSaid.count('\n'), 1) << lockSaid.toStdString();
    EXPECT_TRUE(lockSaid.contains("locked")) << lockSaid.toStdString();
    EXPECT_FALSE(settings.windowShadow());
}

// Keys the program does not own, comments, and lines it cannot read stay as they were;
// its own keys change in place or join the General section.
TEST(Settings, ARewriteKeepsEveryLineItDoesNotOwn) {
    const QByteArray before =
        "; kept\n[General]\nnote=\"one\\ntwo\"\ncopyToClipboard=false\nstray words\n"
        "broken=\"unbalanced\n\n[Other]\nkey=a\\nb\\\\c\n";
    const QByteArray after =
        "; kept\n[General]\nnote=\"one\\ntwo\"\ncopyToClipboard=true\nstray words\n"
        "broken=\"unbalanced\nwindowShadow=false\n\n[Other]\nkey=a\\nb\\\\c\n";
    QTemporaryDir dir;
    const QString path = dir.filePath("Moxilane.conf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    file.close();
    Settings settings(path);
    settings.setCopyToClipboard(true);
    settings.setWindowShadow(false);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), after);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Moxilane.conf"});
}
