#pragma once

#include <QByteArray>
#include <QString>

namespace moxilane {

// How a Capture Text ended, as the command line hears of it: the reply that carries it
// from the agent, and the exit status it becomes.
struct TextOutcome {
    enum class Kind { Text, NoText, Cancelled, Failed };
    Kind kind;
    QString detail;  // the text, or why it failed

    QByteArray reply() const;
    // A reply the agent sent; a busy agent or one that answers nonsense is a failure.
    static TextOutcome fromReply(const QByteArray& reply);
    int exitStatus() const;  // 0 text, 3 nothing found, 4 cancelled, 1 failed
};

}  // namespace moxilane
