#pragma once

#include "flows/CommandLine.h"

#include <QTextStream>

namespace moxilane {

// `moxilane area` and the like: hands the capture to the agent on this display, starting
// one first when none runs. Returns the exit status.
int runCaptureCommand(CaptureCommand command, QTextStream& err);

}  // namespace moxilane
