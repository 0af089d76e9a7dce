#include "platform/posix/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace moxilane;

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

// A tmpfs of 64 KiB mounted for the test's lifetime (root only).
struct TinyTmpfs {
    explicit TinyTmpfs(const QString& at) : path(at) {
        QDir().mkpath(at);
        mounted = mount("tmpfs", QFile::encodeName(at), "tmpfs", 0, "size=64k,mode=0700") == 0;
    }
    ~TinyTmpfs() {
        if (mounted) umount(QFile::encodeName(path));
    }
    QString path;
    bool mounted = false;
};

}  // namespace

// The runtime folder is used only when it is ours, private and not a link, and when the
// file fits; otherwise the cache folder takes it. Never a partial file.
TEST(PrivateFiles, FileIsPrivateUnpredictableAndInAFolderOfOurs) {
    enum class Runtime { Fresh, Link, GroupReadable, OtherOwner, Full };
    const std::tuple<const char*, Runtime, bool> rows[] = {
        {"fresh", Runtime::Fresh, true},
        {"a link to a private folder", Runtime::Link, false},
        {"readable by the group", Runtime::GroupReadable, false},
        {"another user's", Runtime::OtherOwner, false},
        {"full", Runtime::Full, false},
    };
    const QByteArray png = QByteArray(200 * 1024, 'x');
    for (const auto& [name, runtimeShape, inRuntime] : rows) {
        SCOPED_TRACE(name);
        if ((runtimeShape == Runtime::OtherOwner || runtimeShape == Runtime::Full) &&
            geteuid() != 0) {
            continue;  // chown and mount need root
        }
        QTemporaryDir home;
        const QString runtime = home.filePath("run/moxilane");
        const QString cache = home.filePath("cache/moxilane/share");
        QDir().mkpath(home.filePath("run"));
        std::optional<TinyTmpfs> tmpfs;
        switch (runtimeShape) {
            case Runtime::Fresh:
                break;
            case Runtime::Link:
                QDir().mkpath(home.filePath("elsewhere"));
                chmod(QFile::encodeName(home.filePath("elsewhere")), 0700);
                QFile::link(home.filePath("elsewhere"), runtime);
                break;
            case Runtime::GroupReadable:
                QDir().mkpath(runtime);
                chmod(QFile::encodeName(runtime), 0750);
                break;
            case Runtime::OtherOwner:
                QDir().mkpath(runtime);
                chmod(QFile::encodeName(runtime), 0700);
                ASSERT_EQ(chown(QFile::encodeName(runtime), 65534, 65534), 0);
                break;
            case Runtime::Full:
                tmpfs.emplace(runtime);
                ASSERT_TRUE(tmpfs->mounted);
                break;
        }
        const PrivateFiles files(runtime, cache);
        const auto first = files.create("Screenshot-", ".png", png);
        const auto second = files.create("Screenshot-", ".png", png);
        ASSERT_TRUE(first && second) << (first ? second : first).error().toStdString();
        EXPECT_NE(*first, *second);
        const QString folder = inRuntime ? runtime : cache;
        EXPECT_EQ(QFileInfo(*first).path(), folder);
        EXPECT_TRUE(QRegularExpression("^Screenshot-[A-Za-z0-9]{6}\\.png$")
                        .match(QFileInfo(*first).fileName())
                        .hasMatch());
        struct stat info {};
        ASSERT_EQ(lstat(QFile::encodeName(*first), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0);  // group and others: nothing
        QFile written(*first);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), png);
        if (!inRuntime && runtimeShape != Runtime::OtherOwner) {
            EXPECT_TRUE(filesIn(runtime).isEmpty()) << filesIn(runtime).join(' ').toStdString();
        }
    }
}

TEST(PrivateFiles, NoUsableFolderIsAnErrorThatSaysWhy) {
    QTemporaryDir home;
    QFile blocker(home.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const PrivateFiles files(home.filePath("file/run"), home.filePath("file/cache"));
    const auto created = files.create("Screenshot-", ".png", "png");
    ASSERT_FALSE(created);
    EXPECT_TRUE(created.error().contains("Not a directory")) << created.error().toStdString();
    EXPECT_TRUE(created.error().contains(home.filePath("file/cache")))
        << created.error().toStdString();
}

// Files a day old go at start-up; newer ones, and anything not of ours, stay.
TEST(PrivateFiles, StartUpRemovesOnlyOurFilesOlderThanADay) {
    QTemporaryDir home;
    const PrivateFiles files(home.filePath("run"), home.filePath("cache"));
    const PrivateFiles cacheOnly(home.filePath("missing/run"), home.filePath("cache"));
    QStringList old, fresh;
    for (const PrivateFiles* where : {&files, &cacheOnly}) {
        const auto a = where->create("Screenshot-", ".png", "a");
        const auto b = where->create("Screenshot-", ".png", "b");
        ASSERT_TRUE(a && b);
        old << *a;
        fresh << *b;
    }
    ASSERT_TRUE(old[1].startsWith(home.filePath("cache")));
    const QString notOurs = home.filePath("run/moxilane-0.socket");
    QFile(notOurs).open(QIODevice::WriteOnly);
    const std::time_t longAgo = std::time(nullptr) - 86460;  // a day and a minute
    const timeval times[2] = {{longAgo, 0}, {longAgo, 0}};
    for (const QString& path : old + QStringList{notOurs})
        ASSERT_EQ(utimes(QFile::encodeName(path), times), 0);

    files.removeOlderThan(PrivateFiles::kKeepFor);
    for (const QString& path : old)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : fresh + QStringList{notOurs})
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}
