#include "flows/CompositorBindings.h"

#include "flows/CaptureKinds.h"

#include <cstdio>

namespace moxilane {

QStringList swayBindingLines() {
    QStringList lines;
    for (const CaptureKind& kind : captureKinds()) {
        if (kind.shortcut.empty()) continue;
        lines << QStringLiteral("bindsym --to-code %1 exec moxilane %2")
                     .arg(kindText(kind.shortcut), kindText(kind.name));
    }
    return lines;
}

std::vector<HelpRow> swayBindingRows() {
    std::vector<HelpRow> rows;
    const QStringList lines = swayBindingLines();
    qsizetype line = 0;
    for (const CaptureKind& kind : captureKinds())
        if (!kind.shortcut.empty()) rows.push_back({kindText(kind.shortcut), lines[line++]});
    return rows;
}

QString compositorBindingNotice(Session session) {
    if (session != Session::wlroots) return {};
    return QStringLiteral(
               "moxilane: the compositor binds the shortcuts; add these lines to its "
               "configuration (~/.config/sway/config) and reload it:\n") +
           swayBindingLines().join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void printCompositorBindingNotice(Session session) {
    const QByteArray notice = compositorBindingNotice(session).toLocal8Bit();
    std::fwrite(notice.constData(), 1, std::size_t(notice.size()), stderr);
    std::fflush(stderr);
}

}  // namespace moxilane
