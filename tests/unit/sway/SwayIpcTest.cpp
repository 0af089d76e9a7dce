#include "platform/wayland/SwayIpc.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace moxilane;
using namespace std::chrono_literals;

namespace {

QByteArray frame(const char* magic, std::uint32_t type, const QByteArray& payload) {
    QByteArray bytes(magic, 6);
    const std::uint32_t header[] = {std::uint32_t(payload.size()), type};
    bytes.append(reinterpret_cast<const char*>(header), sizeof header);
    return bytes + payload;
}

// A one-shot server on a local socket: reads one request, then sends the reply in two parts
// (so the client must join them) and hangs up; an empty reply means silence until the client
// goes.
class FakeSway {
public:
    explicit FakeSway(QByteArray reply) : m_reply(std::move(reply)) {
        m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, qPrintable(path()));
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeSway() {
        if (m_thread.joinable()) m_thread.join();
        ::close(m_listener);
    }
    QString path() const { return m_dir.filePath(QStringLiteral("ipc.sock")); }
    // The request as it arrived; read it once the client has hung up.
    QByteArray received() {
        m_thread.join();
        return m_received;
    }

private:
    void serve() {
        const int client = ::accept(m_listener, nullptr, nullptr);
        char buffer[256];
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        m_received = QByteArray(buffer, int(got > 0 ? got : 0));
        if (!m_reply.isEmpty()) {
            const auto half = std::size_t(m_reply.size() / 2);
            ::send(client, m_reply.constData(), half, MSG_NOSIGNAL);
            std::this_thread::sleep_for(20ms);
            ::send(client, m_reply.constData() + half, std::size_t(m_reply.size()) - half,
                   MSG_NOSIGNAL);
        }
        while (::recv(client, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(client);
    }

    QTemporaryDir m_dir;
    QByteArray m_reply;
    QByteArray m_received;
    int m_listener = -1;
    std::thread m_thread;
};

}  // namespace

TEST(SwayIpc, FramesTheRequestAndJoinsTheReplyOrSaysWhatWentWrong) {
    const QByteArray tree = R"({"type":"root","nodes":[]})";
    const struct {
        const char* name;
        wayland::SwayMessage type;
        QByteArray payload;
        QByteArray reply;
        std::optional<QByteArray> result;  // nullopt: an error
    } rows[] = {
        {"tree", wayland::SwayMessage::getTree, {}, frame("i3-ipc", 4, tree), tree},
        {"command", wayland::SwayMessage::runCommand, "nop", frame("i3-ipc", 0, "[]"), "[]"},
        {"not i3-ipc", wayland::SwayMessage::getTree, {}, frame("i3-ipX", 4, tree), {}},
        {"other type", wayland::SwayMessage::getTree, {}, frame("i3-ipc", 3, tree), {}},
        {"cut short", wayland::SwayMessage::getTree, {}, frame("i3-ipc", 4, tree).chopped(3), {}},
        {"silent", wayland::SwayMessage::getTree, {}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto sway = std::make_unique<FakeSway>(row.reply);
        {
            auto ipc = wayland::SwayIpc::connect(sway->path(), 300ms);
            ASSERT_TRUE(ipc) << qPrintable(ipc.error().description());
            const auto answer = ipc->request(row.type, row.payload);
            EXPECT_EQ(answer ? std::optional(*answer) : std::nullopt, row.result);
            if (!answer) {
                EXPECT_TRUE(answer.error().detail.startsWith(u"sway IPC: "));
            }
        }  // hangs up, so the server ends
        EXPECT_EQ(sway->received(), frame("i3-ipc", std::uint32_t(row.type), row.payload));
    }
}

TEST(SwayIpc, WithoutSwaysSocketListingWindowsFails) {
    for (const char* socketPath : {"", "/nonexistent/sway-ipc.sock"}) {
        SCOPED_TRACE(socketPath);
        qputenv("SWAYSOCK", socketPath);
        const auto windows = wayland::swayWindows();
        ASSERT_FALSE(windows);
        EXPECT_TRUE(windows.error().detail.startsWith(u"sway IPC: "));
    }
    qunsetenv("SWAYSOCK");
}
