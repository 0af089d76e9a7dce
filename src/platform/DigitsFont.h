#pragma once

#include <QFont>

namespace moxilane {

// The program's font at pixelSize and weight if its digits '0'–'9' share one advance, else the
// system's fixed-pitch font at that size: numbers that change while the user drags or scrolls
// then keep their places instead of jittering.
QFont tabularDigitsFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// Whether all ten digits of the font have the same advance.
bool hasTabularDigits(const QFont& font);

}  // namespace moxilane
