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

void QtClipboard::setText(const QString& text) {
    // Qt offers text/plain;charset=utf-8, UTF8_STRING and the older targets with it.
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

bool QtClipboard::holdsImage() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data) return false;
    for (const QString& format : data->formats()) {
        if (format.startsWith(QLatin1String("image/"))) return true;
    }
    return false;
}

void QtClipboard::clear() {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

}  // namespace moxilane
