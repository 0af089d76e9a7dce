#include "platform/DigitsFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace moxilane {

bool hasTabularDigits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero) return false;
    }
    return true;
}

QFont tabularDigitsFont(int pixelSize, QFont::Weight weight) {
    // A style hint does not pick another face when a family is set, as the program's font
    // has one: the digits are measured instead.
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    if (hasTabularDigits(font)) return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(pixelSize);
    fixed.setWeight(weight);
    return fixed;
}

}  // namespace moxilane
