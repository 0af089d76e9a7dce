#pragma once

#include "markup/MarkupTool.h"

#include <QIcon>

namespace moxilane {

// The tool's bundled icon, named after its symbol name.
QIcon markupToolIcon(MarkupTool tool);

}  // namespace moxilane
