#include "flows/CommandLine.h"

#include <array>
#include <utility>

namespace moxilane {

namespace {
constexpr std::array<std::pair<CaptureCommand, const char*>, 5> kNames{{
    {CaptureCommand::Area, "area"},
    {CaptureCommand::Window, "window"},
    {CaptureCommand::Screen, "screen"},
    {CaptureCommand::ScreenDelayed, "screen-delayed"},
    {CaptureCommand::Scroll, "scroll"},
}};
}  // namespace

QByteArray commandName(CaptureCommand command) {
    for (const auto& [candidate, name] : kNames)
        if (candidate == command) return name;
    return {};
}

std::optional<CaptureCommand> captureCommandNamed(const QByteArray& name) {
    for (const auto& [command, candidate] : kNames)
        if (name == candidate) return command;
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
    return QStringLiteral(
        "usage: moxilane [area | window | screen | screen-delayed | scroll]\n"
        "       moxilane stitch FRAME.png... -o OUT.png [--scale S]\n"
        "       moxilane --help | --version\n");
}

QString helpText() {
    return usageText() + QStringLiteral(
                             "\n"
                             "Screenshots for the X11 desktop, from the system tray.\n"
                             "\n"
                             "With no command, starts the tray agent: one per display and user.\n"
                             "A second start says so and exits with status 0.\n"
                             "\n"
                             "Commands ask the agent running on this display, starting one first\n"
                             "when none runs; bind them to your desktop's keyboard shortcuts:\n"
                             "  area            capture an area (as Ctrl+Shift+1)\n"
                             "  window          capture a window (as Ctrl+Shift+2)\n"
                             "  screen          capture the full screen (as Ctrl+Shift+3)\n"
                             "  screen-delayed  capture the full screen after 5 seconds\n"
                             "  scroll          start a scrolling capture, or finish the running\n"
                             "                  one (as Ctrl+Shift+4)\n"
                             "  stitch          stitch frames of a scrolled view into one image;\n"
                             "                  needs no display (moxilane stitch --help)\n"
                             "\n"
                             "Exit status: 0 when the agent took the command (or already runs),\n"
                             "1 when it could not (no display, no agent, a capture already\n"
                             "running), 2 for a usage error.\n");
}

}  // namespace moxilane
