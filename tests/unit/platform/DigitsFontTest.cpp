#include "platform/DigitsFont.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace moxilane {
namespace {

// The size label's and the scrolling panel's status fonts, under the usual program font and
// under an installed one whose digits are proportional, where there is one.
TEST(DigitsFont, AllTenDigitsShareOneAdvanceWhateverTheProgramFont) {
    const QFont original = QGuiApplication::font();
    QStringList families{original.family()};
    for (const QString& family : QFontDatabase::families()) {
        QFont font(family);
        font.setPixelSize(12);
        if (!hasTabularDigits(font)) {
            families.append(family);
            break;
        }
    }
    for (const QString& family : families) {
        SCOPED_TRACE(family.toStdString());
        QGuiApplication::setFont(QFont(family));
        for (const QFont::Weight weight : {QFont::Normal, QFont::Medium}) {
            EXPECT_TRUE(hasTabularDigits(tabularDigitsFont(12, weight)));
            EXPECT_EQ(tabularDigitsFont(12, weight).pixelSize(), 12);
        }
    }
    QGuiApplication::setFont(original);
    if (families.size() < 2) std::puts("no font with proportional digits is installed");
}

}  // namespace
}  // namespace moxilane
