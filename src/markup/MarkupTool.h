#pragma once

#include <QString>

#include <array>
#include <optional>

namespace moxilane {

// The editor's tools; the raw values are the tool bar's segment indexes.
enum class MarkupTool {
    select = 0,
    arrow = 1,
    rectangle = 2,
    oval = 3,
    line = 4,
    pen = 5,
    highlighter = 6,
    text = 7,
    redact = 8,
    step = 9,
    crop = 10,
};

// Every tool in raw-value order, the order of the tool bar.
inline constexpr std::array<MarkupTool, 11> allMarkupTools{
    MarkupTool::select, MarkupTool::arrow, MarkupTool::rectangle,   MarkupTool::oval,
    MarkupTool::line,   MarkupTool::pen,   MarkupTool::highlighter, MarkupTool::text,
    MarkupTool::redact, MarkupTool::step,  MarkupTool::crop,
};

// No tool for a raw value outside 0 to 10.
std::optional<MarkupTool> markupToolFromRaw(int raw);
int rawValue(MarkupTool tool);

// The icon's symbol name (a bundled SVG of that name stands for it) and the tool's label,
// which is the icon's accessible description and the segment's tool tip.
QString symbolName(MarkupTool tool);
QString label(MarkupTool tool);

}  // namespace moxilane
