#include "markup/MarkupToolIcon.h"

// Outside any namespace, as Qt's resource initialiser requires. The resources live in a static
// library, so nothing would pull them into the program without this call.
static void initMarkupResources() {
    Q_INIT_RESOURCE(markup);
}

namespace moxilane {

QIcon markupToolIcon(MarkupTool tool) {
    return markupSymbolIcon(symbolName(tool));
}

QIcon markupSymbolIcon(const QString& symbol) {
    static const bool initialised = (initMarkupResources(), true);
    Q_UNUSED(initialised);
    return QIcon(QStringLiteral(":/icons/markup/%1.svg").arg(symbol));
}

}  // namespace moxilane
