#pragma once

#include "platform/posix/CommandRequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <expected>
#include <functional>
#include <memory>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

namespace moxilane {

// The agent's end of the command line: a unix socket private to the user (mode 0600,
// and the peer's user id checked, since a folder's mode is all that guards it
// otherwise). One request line per connection, one reply back, which may come later
// (a command that waits for its result). Main thread.
class CommandServer final : public QObject {
    Q_OBJECT
public:
    // Sends the reply and closes the connection; does nothing once the client has gone.
    using Reply = std::function<void(const QByteArray& reply)>;
    using Handler = std::function<void(const QByteArray& request, Reply reply)>;
    static constexpr qsizetype kMaxRequest = 256;
    static constexpr std::chrono::seconds kRequestDeadline{5};

    // Replaces whatever is at path: the caller holds the instance lock, so a socket
    // there was left by an agent that is gone.
    [[nodiscard]] static std::expected<std::unique_ptr<CommandServer>, QString> listen(
        const QString& path, uid_t allowedUser, Handler handler);
    ~CommandServer() override;

private:
    CommandServer(uid_t allowedUser, Handler handler);
    void accept();
    void serve(QLocalSocket* socket);

    uid_t m_allowedUser;
    Handler m_handler;
    QLocalServer* m_server = nullptr;  // child
};

// The user id at the other end of a connected unix socket; nothing when unknown.
std::optional<uid_t> peerUser(qintptr socketDescriptor);

}  // namespace moxilane
