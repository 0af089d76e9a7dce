#pragma once

#include "flows/HelpText.h"

#include <QStringList>
#include <QTextStream>

namespace moxilane {

// `moxilane stitch FRAME.png... -o OUT.png [--scale S]`; args are the words after
// "stitch". Returns the exit status.
int runStitchCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// Its --help as data, which the manual page renders too.
HelpPage stitchHelp();

}  // namespace moxilane
