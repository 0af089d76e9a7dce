#include "delivery/FileNames.h"

#include <QLocale>

namespace moxilane {

QString screenshotBaseName(const QDateTime& time) {
    return QStringLiteral("Screenshot ") +
           QLocale::c().toString(time.toLocalTime(),
                                 QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss.zzz"));
}

QString screenshotFileName(const QString& baseName, std::size_t index) {
    if (index == 0) return baseName + QStringLiteral(".png");
    return baseName + QStringLiteral(" (%1).png").arg(index + 1);
}

}  // namespace moxilane
