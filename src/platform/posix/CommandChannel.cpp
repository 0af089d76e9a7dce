#include "platform/posix/CommandChannel.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <sys/socket.h>

namespace moxilane {

CommandServer::CommandServer(uid_t allowedUser, Handler handler)
    : m_allowedUser(allowedUser), m_handler(std::move(handler)) {}

CommandServer::~CommandServer() {
    if (m_server) m_server->close();  // also removes the socket file
}

std::expected<std::unique_ptr<CommandServer>, QString> CommandServer::listen(const QString& path,
                                                                             uid_t allowedUser,
                                                                             Handler handler) {
    std::unique_ptr<CommandServer> self(new CommandServer(allowedUser, std::move(handler)));
    QLocalServer::removeServer(path);
    self->m_server = new QLocalServer(self.get());
    self->m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!self->m_server->listen(path)) {
        return std::unexpected(
            QStringLiteral("cannot listen on %1: %2").arg(path, self->m_server->errorString()));
    }
    // UserAccessOption already leaves only the owner's bits; make sure of no execute bit.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    connect(self->m_server, &QLocalServer::newConnection, self.get(), &CommandServer::accept);
    return self;
}

void CommandServer::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto user = peerUser(socket->socketDescriptor());
        if (!user || *user != m_allowedUser) {
            socket->write("refused\n");
            socket->disconnectFromServer();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        // A client that connects and says nothing is not kept for ever.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] { socket->abort(); });
        deadline->start(kRequestDeadline);
        if (socket->bytesAvailable() > 0) serve(socket);
    }
}

void CommandServer::serve(QLocalSocket* socket) {
    if (socket->property("served").toBool()) return;
    const bool complete = socket->canReadLine();
    if (!complete && socket->bytesAvailable() <= kMaxRequest) return;  // wait for the rest
    socket->setProperty("served", true);
    const QByteArray request =
        complete ? socket->readLine(kMaxRequest + 1).trimmed() : QByteArray();
    // The request is in: a reply that waits for the user is not cut off.
    if (auto* deadline = socket->findChild<QTimer*>()) deadline->stop();
    Reply reply = [guarded = QPointer<QLocalSocket>(socket)](const QByteArray& text) {
        if (!guarded) return;
        guarded->write(text + '\n');
        guarded->disconnectFromServer();
    };
    if (request.isEmpty()) return reply(QByteArrayLiteral("unknown"));
    m_handler(request, std::move(reply));
}

std::optional<uid_t> peerUser(qintptr socketDescriptor) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

}  // namespace moxilane
