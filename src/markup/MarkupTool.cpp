#include "markup/MarkupTool.h"

namespace moxilane {

std::optional<MarkupTool> markupToolFromRaw(int raw) {
    if (raw < 0 || raw >= static_cast<int>(allMarkupTools.size())) return std::nullopt;
    return allMarkupTools[static_cast<std::size_t>(raw)];
}

int rawValue(MarkupTool tool) {
    return static_cast<int>(tool);
}

QString symbolName(MarkupTool tool) {
    switch (tool) {
        case MarkupTool::select:
            return QStringLiteral("arrow.up.left");
        case MarkupTool::arrow:
            return QStringLiteral("arrow.up.right");
        case MarkupTool::rectangle:
            return QStringLiteral("rectangle");
        case MarkupTool::oval:
            return QStringLiteral("oval");
        case MarkupTool::line:
            return QStringLiteral("line.diagonal");
        case MarkupTool::pen:
            return QStringLiteral("pencil");
        case MarkupTool::highlighter:
            return QStringLiteral("highlighter");
        case MarkupTool::text:
            return QStringLiteral("textformat");
        case MarkupTool::redact:
            return QStringLiteral("rectangle.fill");
        case MarkupTool::step:
            return QStringLiteral("number.circle");
        case MarkupTool::crop:
            return QStringLiteral("crop");
    }
    return {};
}

QString label(MarkupTool tool) {
    switch (tool) {
        case MarkupTool::select:
            return QStringLiteral("Select / Move");
        case MarkupTool::arrow:
            return QStringLiteral("Arrow");
        case MarkupTool::rectangle:
            return QStringLiteral("Rectangle");
        case MarkupTool::oval:
            return QStringLiteral("Oval");
        case MarkupTool::line:
            return QStringLiteral("Line");
        case MarkupTool::pen:
            return QStringLiteral("Freehand");
        case MarkupTool::highlighter:
            return QStringLiteral("Highlighter");
        case MarkupTool::text:
            return QStringLiteral("Text");
        case MarkupTool::redact:
            return QStringLiteral("Redact");
        case MarkupTool::step:
            return QStringLiteral("Step");
        case MarkupTool::crop:
            return QStringLiteral("Crop");
    }
    return {};
}

}  // namespace moxilane
