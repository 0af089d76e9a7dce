#include "flows/CommandLine.h"
#include "flows/CompositorBindings.h"
#include "flows/ManualPage.h"

#include <QFile>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

using namespace moxilane;
using Kind = Invocation::Kind;

TEST(CommandLine, EachFormAndItsMistakes) {
    const std::pair<Kind, std::vector<QStringList>> rows[] = {
        {Kind::Agent, {QStringList{}}},
        {Kind::Help, {{"--help"}, {"-h"}}},
        {Kind::Version, {{"--version"}}},
        {Kind::Stitch, {{"stitch", "--help"}, {"stitch"}}},
        {Kind::Capture, {{"area"}, {"screen-delayed"}}},
        {Kind::UsageError,
         {{"screen", "now"}, {"--help", "area"}, {"Screen"}, {"--verbose"}, {""}}},
    };
    for (const auto& [kind, forms] : rows) {
        for (const QStringList& arguments : forms) {
            SCOPED_TRACE(arguments.join(' ').toStdString());
            const Invocation invocation = parseCommandLine(arguments);
            EXPECT_EQ(invocation.kind, kind);
            EXPECT_EQ(invocation.problem.isEmpty(), kind != Kind::UsageError);
        }
    }
    EXPECT_EQ(parseCommandLine({"stitch", "a.png", "-o", "b.png"}).stitchArguments,
              (QStringList{"a.png", "-o", "b.png"}));
}

TEST(CommandLine, CaptureNamesRoundTrip) {
    for (CaptureCommand c : {CaptureCommand::Area, CaptureCommand::Window, CaptureCommand::Screen,
                             CaptureCommand::ScreenDelayed, CaptureCommand::Scroll}) {
        EXPECT_EQ(parseCommandLine({QString::fromUtf8(commandName(c))}).capture, c);
        EXPECT_TRUE(helpText().contains(QString::fromUtf8(commandName(c))));
    }
    EXPECT_FALSE(captureCommandNamed("stitch"));
}

TEST(CommandLine, HelpRowsWrapUnderTheirTextColumnWithinTheWidth) {
    const QString longText = QString("word ").repeated(40).trimmed();
    const HelpPage page{.usage = {"moxilane x"},
                        .paragraphs = {longText},
                        .sections = {{.heading = "Things",
                                      .intro = {},
                                      .rows = {{"a", "short"}, {"longer-term", longText}}}}};
    const QStringList lines = renderHelpText(page).split('\n');
    QString rowWords;
    for (const QString& line : lines) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_LE(line.size(), kHelpColumns);
        if (line.startsWith("  longer-term  ") || line.startsWith(QString(15, ' ')))
            rowWords += ' ' + line.mid(15);
    }
    EXPECT_TRUE(lines.contains("Things:"));
    EXPECT_TRUE(lines.contains("  a            short"));
    EXPECT_EQ(rowWords.simplified(), longText);  // every word, in order, in the text column
}

TEST(CommandLine, ManualPageEscapesWhatRoffWouldReadAsRequests) {
    const std::pair<QString, QString> rows[] = {
        {"--help, -h", "\\-\\-help, \\-h"},
        {".hidden", "\\&.hidden"},
        {"'quote", "\\&'quote"},
        {"a\\b", "a\\eb"},
        {"“Save To…”", "\\[u201C]Save To\\[u2026]\\[u201D]"},
    };
    for (const auto& [text, roff] : rows) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(roffEscape(text), roff);
    }
}

TEST(CommandLine, ManualTemplateTakesEveryPartAndNothingElse) {
    const QString roffTemplate = ".TH X 1\n.\\\" generated: a\n.SH B\n";
    EXPECT_EQ(fillManualTemplate(roffTemplate, {{"a", ".PP\nA\n"}}), ".TH X 1\n.PP\nA\n.SH B\n");
    EXPECT_FALSE(fillManualTemplate(roffTemplate, {}));
    EXPECT_FALSE(fillManualTemplate(roffTemplate, {{"a", ""}, {"b", ""}}));
}

// The installed entry offers the kinds with a shortcut as its actions, named as in the menu.
TEST(CommandLine, DesktopEntryActionsAreTheKindsWithAShortcut) {
    QFile file(QStringLiteral(MOXILANE_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << MOXILANE_DESKTOP_ENTRY;
    std::map<QString, std::map<QString, QString>> groups;  // [group] key=value
    QString group;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith('['))
            group = line.mid(1, line.size() - 2);
        else if (const qsizetype equals = line.indexOf('='); equals > 0)
            groups[group][line.left(equals)] = line.mid(equals + 1);
    }
    QStringList expected;
    for (const CaptureKind& kind : captureKinds()) {
        if (kind.shortcut.empty()) continue;
        expected << kindText(kind.name);
        SCOPED_TRACE(expected.back().toStdString());
        const auto& action = groups["Desktop Action " + expected.back()];
        EXPECT_EQ(action.at("Name"), kindText(kind.menuTitle));
        EXPECT_EQ(action.at("Exec"), "@MOXILANE_EXEC@ " + expected.back());
    }
    EXPECT_EQ(groups["Desktop Entry"]["Actions"].split(';', Qt::SkipEmptyParts), expected);
}

TEST(CompositorBindings, OneSwayLinePerShortcutInTheHelpAndTheNoticeOnSwayAlone) {
    const QStringList lines = swayBindingLines();
    const auto withShortcut = std::ranges::count_if(
        captureKinds(), [](const CaptureKind& kind) { return !kind.shortcut.empty(); });
    EXPECT_EQ(lines.size(), withShortcut);
    for (const char* line : {"bindsym --to-code Ctrl+Shift+1 exec moxilane area",
                             "bindsym --to-code Ctrl+Shift+2 exec moxilane window",
                             "bindsym --to-code Ctrl+Shift+3 exec moxilane screen",
                             "bindsym --to-code Ctrl+Shift+4 exec moxilane scroll"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    const QString help = helpText();
    const QString notice = compositorBindingNotice(Session::wlroots);
    for (const QString& line : lines) {
        SCOPED_TRACE(qPrintable(line));
        EXPECT_TRUE(help.contains(line));
        EXPECT_TRUE(notice.contains('\n' + line + '\n'));  // alone on its line, to paste
    }
    for (Session other : {Session::x11, Session::kde, Session::gnome, Session::otherWayland})
        EXPECT_TRUE(compositorBindingNotice(other).isEmpty());
}
