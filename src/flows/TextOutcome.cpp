#include "flows/TextOutcome.h"

namespace moxilane {

namespace {
constexpr char kTextReply[] = "text\n";
constexpr char kFailedReply[] = "failed: ";
}  // namespace

QByteArray TextOutcome::reply() const {
    switch (kind) {
        case Kind::Text:
            return kTextReply + detail.toUtf8();
        case Kind::NoText:
            return QByteArrayLiteral("no-text");
        case Kind::Cancelled:
            return QByteArrayLiteral("cancelled");
        case Kind::Failed:
            break;
    }
    return kFailedReply + detail.toUtf8();
}

TextOutcome TextOutcome::fromReply(const QByteArray& reply) {
    if (reply.startsWith(kTextReply))
        return {Kind::Text, QString::fromUtf8(reply.mid(qsizetype(sizeof kTextReply) - 1))};
    if (reply == "no-text") return {Kind::NoText, {}};
    if (reply == "cancelled") return {Kind::Cancelled, {}};
    if (reply.startsWith(kFailedReply))
        return {Kind::Failed, QString::fromUtf8(reply.mid(qsizetype(sizeof kFailedReply) - 1))};
    if (reply == "busy")
        return {Kind::Failed,
                QStringLiteral("another capture is in progress; this one was not started")};
    if (reply == "refused")
        return {Kind::Failed, QStringLiteral("the agent on this display belongs to another user")};
    return {Kind::Failed, QStringLiteral("the agent answered: ") + QString::fromUtf8(reply)};
}

int TextOutcome::exitStatus() const {
    switch (kind) {
        case Kind::Text:
            return 0;
        case Kind::NoText:
            return 3;
        case Kind::Cancelled:
            return 4;
        case Kind::Failed:
            break;
    }
    return 1;
}

}  // namespace moxilane
