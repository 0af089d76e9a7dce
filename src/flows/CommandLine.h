#pragma once

#include "flows/CaptureKinds.h"
#include "flows/HelpText.h"
#include "flows/Version.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace moxilane {

QByteArray commandName(CaptureCommand command);
std::optional<CaptureCommand> captureCommandNamed(const QByteArray& name);

// What the words after the program's name ask for.
struct Invocation {
    enum class Kind { Agent, Capture, Stitch, Help, Version, UsageError };
    Kind kind = Kind::Agent;
    CaptureCommand capture = CaptureCommand::Screen;  // for Capture
    QStringList stitchArguments{};                    // for Stitch: the words after "stitch"
    QString problem{};                                // for UsageError
};
Invocation parseCommandLine(const QStringList& arguments);
// The same for a program's own argv, its name left out.
Invocation parseCommandLine(int argc, char** argv);

// The commands and options, in the order --help lists them, and the whole help as data,
// which --help and the manual page render.
std::vector<HelpRow> commandRows();
HelpPage commandLineHelp();

QString helpText();
QString usageText();  // the short form, for standard error after a usage error

}  // namespace moxilane
