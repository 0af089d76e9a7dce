#pragma once

#include <QImage>

namespace moxilane {

// A capture made ready for recognition: grey, dark text on light, and scaled up so that
// its lines stand about as tall as the engine reads best.
struct TextImage {
    QImage gray;
    bool singleLine = false;  // one line of text only: read it as one
};
TextImage prepareTextImage(const QImage& capture);

// The median height of the runs of rows that hold ink, in pixels; 0 without ink.
int medianLineHeight(const QImage& gray);

// The share of neighbouring pixels (side by side) that differ sharply. Text, widgets and
// photographs change at edges only; noise changes everywhere, and costs the engine tens
// of seconds to find nothing in.
double sharpChangeShare(const QImage& gray);
inline constexpr double kNoiseSharpChangeShare = 0.3;

}  // namespace moxilane
