#pragma once

#include <QImage>

namespace moxilane {

// An uninitialised picture of 4-byte pixels in 2 MiB pages where the system offers them: a
// fresh 4K picture in 4 KiB pages costs thousands of page faults (about 10 µs each on a
// virtual machine), which is most of the time of a first copy of a large picture. Falls back
// to an ordinary QImage; null when there is no memory.
QImage largePageImage(QSize size, QImage::Format format);

// While on, the pages of one picture let go are kept for the next that fits in them: a capture
// in a row then writes pages already there (about 7 ms less for 4K on a virtual machine).
// Off gives the kept pages back. Any thread.
void keepLargePages(bool keep);

}  // namespace moxilane
