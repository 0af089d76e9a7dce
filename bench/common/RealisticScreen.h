#pragma once

#include <QImage>
#include <QSize>

namespace moxilane::bench {

// A desktop as a screenshot sees it: a photo wallpaper, a top bar, a code editor, a web page
// with a photograph, a spreadsheet and a dock, with text rendered in real fonts. Layout and
// text sizes follow the height (1440 device pixels per layout unit, so 1.5 at 3840×2160).
// Format_RGB32, the same pixels for the same size and seed on a given machine.
// Draws text through QPainter: a QGuiApplication must exist (the offscreen platform will do).
QImage realisticScreen(QSize sizeDevice, quint32 seed = 1);

}  // namespace moxilane::bench
