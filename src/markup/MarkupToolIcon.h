#pragma once

#include "markup/MarkupTool.h"

#include <QIcon>

namespace moxilane {

// The tool's bundled icon, named after its symbol name.
QIcon markupToolIcon(MarkupTool tool);
// A bundled icon by symbol name: the tools' and "arrow.uturn.backward", "arrow.uturn.forward",
// "trash", "square.and.arrow.up".
QIcon markupSymbolIcon(const QString& symbol);

}  // namespace moxilane
