#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <expected>

namespace moxilane {

// The command line's end. With awaitResult the reply may take as long as the user does,
// and runs to the end of the connection rather than the first line.
struct CommandClientError {
    bool noAgent = false;  // nothing listens there: no agent, or one that was killed
    QString text;
};
[[nodiscard]] std::expected<QByteArray, CommandClientError> sendCommand(
    const QString& socketPath, const QByteArray& request, std::chrono::milliseconds deadline,
    bool awaitResult = false);

}  // namespace moxilane
