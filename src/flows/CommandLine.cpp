#include "flows/CommandLine.h"

namespace moxilane {

QByteArray commandName(CaptureCommand command) {
    const std::string_view name = captureKind(command).name;
    return QByteArray(name.data(), qsizetype(name.size()));
}

std::optional<CaptureCommand> captureCommandNamed(const QByteArray& name) {
    for (const CaptureKind& kind : captureKinds())
        if (name.toStdString() == kind.name) return kind.command;
    return std::nullopt;
}

Invocation parseCommandLine(const QStringList& arguments) {
    using Kind = Invocation::Kind;
    if (arguments.isEmpty()) return {};
    const QString& first = arguments.front();
    if (first == QLatin1String("stitch"))
        return {.kind = Kind::Stitch, .stitchArguments = arguments.mid(1)};
    if (arguments.size() > 1) {
        return {.kind = Kind::UsageError,
                .problem =
                    QStringLiteral("unexpected argument “%1” after “%2”").arg(arguments[1], first)};
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return {.kind = Kind::Help};
    if (first == QLatin1String("--version")) return {.kind = Kind::Version};
    if (const auto capture = captureCommandNamed(first.toUtf8()))
        return {.kind = Kind::Capture, .capture = *capture};
    return {.kind = Kind::UsageError, .problem = QStringLiteral("unknown command “%1”").arg(first)};
}

QString usageText() {
    QStringList names;
    for (const CaptureKind& kind : captureKinds())
        names << kindText(kind.name);
    return QStringLiteral("usage: moxilane [%1]\n").arg(names.join(QLatin1String(" | "))) +
           QStringLiteral(
               "       moxilane stitch FRAME.png... -o OUT.png [--scale S]\n"
               "       moxilane --help | --version\n");
}

namespace {

// "  area            capture an area (as Ctrl+Shift+1)", a continued line under the first.
QString commandLines() {
    const QString indent(18, QLatin1Char(' '));
    QString lines;
    for (const CaptureKind& kind : captureKinds()) {
        QString help = kindText(kind.help);
        if (!kind.shortcut.empty()) help += QStringLiteral(" (as %1)").arg(kindText(kind.shortcut));
        help.replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
        lines += QStringLiteral("  %1%2\n").arg(kindText(kind.name), -16).arg(help);
    }
    return lines;
}

}  // namespace

QString helpText() {
    return usageText() +
           QStringLiteral(
               "\n"
               "Screenshots for the X11 desktop, from the system tray.\n"
               "\n"
               "With no command, starts the tray agent: one per display and user.\n"
               "A second start says so and exits with status 0.\n"
               "\n"
               "Commands ask the agent running on this display, starting one first\n"
               "when none runs; bind them to your desktop's keyboard shortcuts:\n") +
           commandLines() +
           QStringLiteral(
               "  stitch          stitch frames of a scrolled view into one image;\n"
               "                  needs no display (moxilane stitch --help)\n"
               "\n"
               "Exit status: 0 when the agent took the command (or already runs),\n"
               "1 when it could not (no display, no agent, a capture already\n"
               "running), 2 for a usage error.\n");
}

}  // namespace moxilane
