#pragma once

#include <QString>

namespace moxilane {

// One line on standard error, "moxilane: " and the text: for a failure the user must know
// of to put right and that no window reports (a refused hot key, an unwritable settings
// file, a capture this build cannot do).
void printDiagnostic(const QString& text);

}  // namespace moxilane
