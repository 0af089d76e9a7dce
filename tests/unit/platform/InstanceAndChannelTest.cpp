#include "platform/posix/CommandChannel.h"
#include "platform/posix/InstanceLock.h"
#include "platform/posix/RuntimeFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace moxilane;
using namespace std::chrono_literals;

TEST(InstanceLock, SecondClaimerFailsWhileTheFirstHoldsIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("moxilane-:5.lock");
    auto first = InstanceLock::claim(path);
    ASSERT_TRUE(first && *first);
    const auto second = InstanceLock::claim(path);
    EXPECT_TRUE(second && !*second);  // held by the first
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed().toInt(), getpid());

    first->reset();  // the holder goes
    auto third = InstanceLock::claim(path);
    ASSERT_TRUE(third && *third);

    // A folder that cannot hold the file is an error, not "someone else runs".
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    const auto broken = InstanceLock::claim(dir.filePath("plain/x.lock"));
    ASSERT_FALSE(broken);
    EXPECT_TRUE(broken.error().contains("Not a directory")) << broken.error().toStdString();
}

TEST(RuntimeFolder, FallbackIsMadePrivateAndRefusedWhenSomeoneElseCouldUseIt) {
    QTemporaryDir base;
    const auto made = privateFolderIn(base.path(), getuid());
    ASSERT_TRUE(made);
    struct stat info {};
    ASSERT_EQ(stat(made->toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(privateFolderIn(base.path(), getuid()));  // again: the same folder

    ASSERT_EQ(chmod(made->toLocal8Bit().constData(), 0755), 0);
    EXPECT_FALSE(privateFolderIn(base.path(), getuid()));
    ASSERT_EQ(chmod(made->toLocal8Bit().constData(), 0700), 0);
    if (getuid() == 0) {  // another user's folder under the same name
        ASSERT_EQ(chown(made->toLocal8Bit().constData(), 4242, getgid()), 0);
        EXPECT_FALSE(privateFolderIn(base.path(), getuid()));
    }
    // A link planted under the name is not followed.
    const QString planted = base.filePath(QStringLiteral("moxilane-%1").arg(getuid() + 2));
    ASSERT_TRUE(QFile::link(base.path(), planted));
    EXPECT_FALSE(privateFolderIn(base.path(), getuid() + 2));
}

TEST(RuntimeFolder, OneAddressPerDisplay) {
    for (auto [display, key] : {std::pair{":0", ":0"},
                                {":0.1", ":0"},
                                {"unix:0", ":0"},
                                {"localhost:10.0", "localhost:10"},
                                {"/tmp/launch/org.x:0", "_tmp_launch_org.x:0"}})
        EXPECT_EQ(displayKey(display), key);
    const AgentAddress address = agentAddress("/run/user/7", ":3.0");
    EXPECT_EQ(address.lockPath, "/run/user/7/moxilane-:3.lock");
    EXPECT_EQ(address.socketPath, "/run/user/7/moxilane-:3.socket");
}

// The agent and the command line pick one display, so they meet at one address.
TEST(RuntimeFolder, TheWaylandDisplayServesUnlessQtIsToldToUseAnother) {
    struct Row {
        const char* wayland;
        const char* platform;
        bool onWayland;
        QString display;
    };
    const Row rows[] = {{"wayland-1", "", true, "wayland-1"},
                        {"wayland-1", "wayland-egl", true, "wayland-1"},
                        {"wayland-1", "xcb", false, ":5"},
                        {"", "", false, ":5"}};
    const QByteArray saved[] = {qgetenv("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM"),
                                qgetenv("DISPLAY")};
    qputenv("DISPLAY", ":5");
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.wayland) + "/" + row.platform);
        qputenv("WAYLAND_DISPLAY", row.wayland);
        qputenv("QT_QPA_PLATFORM", row.platform);
        EXPECT_EQ(runsOnWayland(), row.onWayland);
        EXPECT_EQ(sessionDisplay(), row.display);
    }
    qputenv("WAYLAND_DISPLAY", saved[0]);
    qputenv("QT_QPA_PLATFORM", saved[1]);
    qputenv("DISPLAY", saved[2]);
}

namespace {

// Sends a request without blocking, so the server in this thread can answer.
QByteArray exchange(const QString& path, const QByteArray& request) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000)) return "no connection";
    socket.write(request);
    socket.flush();
    QByteArray reply;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!reply.contains('\n') && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        socket.waitForReadyRead(10);
        reply += socket.readAll();
    }
    return reply;
}

}  // namespace

TEST(CommandServer, AnswersItsUserAndRefusesAnyOther) {
    QTemporaryDir dir;
    const QString path = dir.filePath("moxilane-:5.socket");
    // The command line starts an agent when no socket is there, or none listens on it.
    const auto noAgent = [&] {
        const auto reply = sendCommand(path, "screen", 1s);
        return !reply && reply.error().noAgent;
    };
    EXPECT_TRUE(noAgent());
    // A socket left by an agent that was killed: bound, never listened on again.
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);
    EXPECT_TRUE(noAgent());

    std::vector<QByteArray> handled;
    auto handler = [&](const QByteArray& request, const CommandServer::Reply& reply) {
        handled.push_back(request);
        reply(QByteArrayLiteral("started"));
    };
    {
        auto server = CommandServer::listen(path, getuid(), handler);
        ASSERT_TRUE(server) << server.error().toStdString();
        struct stat info {};
        ASSERT_EQ(stat(path.toLocal8Bit().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(exchange(path, "screen\n"), "started\n");
        EXPECT_EQ(exchange(path, QByteArray(400, 'x')), "unknown\n");
    }
    EXPECT_FALSE(QFile::exists(path));  // the socket goes with the server
    {
        auto server = CommandServer::listen(path, getuid() + 1, handler);
        ASSERT_TRUE(server);
        EXPECT_EQ(exchange(path, "screen\n"), "refused\n");
    }
    EXPECT_EQ(handled, std::vector<QByteArray>{"screen"});
}
