#include "platform/Diagnostics.h"

#include <cstdio>

namespace moxilane {

void printDiagnostic(const QString& text) {
    const QByteArray line = "moxilane: " + text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace moxilane
