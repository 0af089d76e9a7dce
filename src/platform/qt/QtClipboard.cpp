#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace moxilane {

void QtClipboard::setPngImages(const std::vector<QByteArray>& pngs) {
    if (pngs.empty()) return;
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), pngs.front());
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

}  // namespace moxilane
