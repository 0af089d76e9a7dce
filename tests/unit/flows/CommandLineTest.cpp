#include "flows/CommandLine.h"

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
