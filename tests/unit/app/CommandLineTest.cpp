#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace moxilane;
using Kind = Invocation::Kind;

TEST(CommandLine, EachFormAndItsMistakes) {
    struct Row {
        QStringList arguments;
        Kind kind;
    };
    const Row rows[] = {
        {{}, Kind::Agent},
        {{"--help"}, Kind::Help},
        {{"-h"}, Kind::Help},
        {{"--version"}, Kind::Version},
        {{"stitch", "--help"}, Kind::Stitch},
        {{"stitch"}, Kind::Stitch},
        {{"area"}, Kind::Capture},
        {{"screen-delayed"}, Kind::Capture},
        {{"screen", "now"}, Kind::UsageError},
        {{"--help", "area"}, Kind::UsageError},
        {{"Screen"}, Kind::UsageError},
        {{"--verbose"}, Kind::UsageError},
        {{""}, Kind::UsageError},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const Invocation invocation = parseCommandLine(row.arguments);
        EXPECT_EQ(invocation.kind, row.kind);
        EXPECT_EQ(invocation.problem.isEmpty(), row.kind != Kind::UsageError);
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
