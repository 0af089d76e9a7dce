#include "flows/CommandLine.h"

#include "flows/CompositorBindings.h"

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

Invocation parseCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parseCommandLine(arguments);
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

std::vector<HelpRow> commandRows() {
    std::vector<HelpRow> rows;
    for (const CaptureKind& kind : captureKinds()) {
        QString help = kindText(kind.help);
        if (!kind.shortcut.empty()) help += QStringLiteral(" (as %1)").arg(kindText(kind.shortcut));
        rows.push_back({kindText(kind.name), help});
    }
    rows.push_back({QStringLiteral("stitch"),
                    QStringLiteral("stitch frames of a scrolled view into one image; needs no "
                                   "display (moxilane stitch --help)")});
    return rows;
}

HelpPage commandLineHelp() {
    QStringList captures;
    for (const CaptureKind& kind : captureKinds())
        captures << kindText(kind.name);
    return {
        .usage = {QStringLiteral("moxilane [%1]").arg(captures.join(QStringLiteral(" | "))),
                  QStringLiteral("moxilane stitch FRAME.png... -o OUT.png [--scale S]"),
                  QStringLiteral("moxilane --help | --version")},
        .paragraphs =
            {QStringLiteral(
                 "Screenshots for the Linux desktop (X11 and Wayland), from the system tray."),
             QStringLiteral("With no command, starts the tray agent: one per display "
                            "and user. A second start says so and exits with status "
                            "0.")},
        .sections =
            {{.heading = QStringLiteral("Commands"),
              .intro = QStringLiteral("Commands ask the agent running on this display, starting "
                                      "one first when none runs; bind them to your desktop's "
                                      "keyboard shortcuts:"),
              .rows = commandRows()},
             {.heading = QStringLiteral("Options"),
              .intro = QStringLiteral("Options, which need no display:"),
              .rows = {{QStringLiteral("-h, --help"), QStringLiteral("show this help")},
                       {QStringLiteral("--version"),
                        QStringLiteral("show the version: ") + kVersionText}}},
             {.heading = QStringLiteral("Exit status"),
              .intro = {},
              .rows = {{QStringLiteral("0"),
                        QStringLiteral("the agent took the command, or already runs")},
                       {QStringLiteral("1"), QStringLiteral("it could not: no display, no agent, "
                                                            "a capture already running")},
                       {QStringLiteral("2"), QStringLiteral("a usage error")},
                       {QStringLiteral("3"), QStringLiteral("text: no text was found")},
                       {QStringLiteral("4"), QStringLiteral("text: the selection was cancelled")}}},
             {.heading = QStringLiteral("Shortcuts on sway"),
              .intro = QStringLiteral(
                  "On sway and other wlroots desktops only the compositor's configuration binds "
                  "keys: add these lines to ~/.config/sway/config and reload it (the agent also "
                  "prints them when it starts there). --to-code binds the key positions, as on "
                  "X11, whatever Shift+1 types: “!” on US and German layouts, “1” on French "
                  "ones, where a binding without --to-code never fires. A window is taken there as "
                  "the screen shows it: parts covered by other windows cannot be had."),
              .rows = swayBindingRows()},
             {.heading = QStringLiteral("On KDE Plasma"),
              .intro = QStringLiteral(
                  "On KDE Plasma the agent asks the desktop for Ctrl+Shift+1 to 5; they are "
                  "listed, and can be changed, in System Settings under Shortcuts, Moxilane. "
                  "Plasma names a shortcut "
                  "by the symbol its keys type, so Ctrl+Shift+1 shows there as Ctrl+! (the key "
                  "positions of a US layout). KWin gives the pixels, windows covered parts and "
                  "all, only to a program started from its installed menu entry; started "
                  "otherwise, captures come through the Screenshot portal: slower, windows only "
                  "as the screen shows them, and no scrolling capture."),
              .rows = {}},
             {.heading = QStringLiteral("On GNOME"),
              .intro = QStringLiteral(
                  "GNOME shows no program its windows and lets none take keys. Ctrl+Shift+2 and "
                  "moxilane window open GNOME's own screenshot dialog: choose the window there "
                  "(on GNOME 43, \u201cGrab the current window\u201d takes the one that had the "
                  "focus), then Share, and its picture is saved like any capture. At its first "
                  "start the agent offers to add the shortcuts to GNOME's custom keyboard "
                  "shortcuts. GNOME asks "
                  "once whether Moxilane may take screenshots."),
              .rows = {}}},
    };
}

QString usageText() {
    return renderUsage(commandLineHelp().usage);
}

QString helpText() {
    return renderHelpText(commandLineHelp());
}

}  // namespace moxilane
