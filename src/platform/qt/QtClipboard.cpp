#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace moxilane {

void QtClipboard::setPngImage(const QByteArray& png) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

}  // namespace moxilane
