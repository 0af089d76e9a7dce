#pragma once

#include "flows/CommandLine.h"

#include <QTextStream>

namespace moxilane {

// `moxilane area` and the like: hands the capture to the agent on this display, starting
// one first when none runs. Returns the exit status. `moxilane text` waits for its text and
// prints it on out.
int runCaptureCommand(CaptureCommand command, QTextStream& out, QTextStream& err);

}  // namespace moxilane
