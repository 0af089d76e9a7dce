// Pictures for the Wayland tests' scripts, compared pixel for pixel.
//   pattern W H SEED OUT   writes a picture whose neighbouring pixels all differ
//   page OUT               writes the scroll view's tall page
//   equal A B [X Y W H]    exit 0 when A (or that rectangle of A) has B's size and pixels
//   changed A B            prints "COUNT X Y W H": how many pixels differ, and their bounds
//   find A B               prints "X Y" where B's top left 16 × 16 pixels first lie in A
#include "TallPage.h"
#include "TestImages.h"

#include <QImage>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>

using namespace moxilane::test;

namespace {

QTextStream out(stdout), err(stderr);

QImage load(const char* path) {
    const QImage image = loadOpaque(QString::fromLocal8Bit(path));
    if (image.isNull()) err << "cannot read the picture " << path << "\n";
    return image;
}

int save(const QImage& image, const char* path) {
    return image.save(QString::fromLocal8Bit(path), "PNG") ? 0 : 1;
}

int equal(QImage a, const QImage& b, int argc, char** argv) {
    if (a.isNull() || b.isNull()) return 2;
    if (argc == 4) {
        const QRect crop(atoi(argv[0]), atoi(argv[1]), atoi(argv[2]), atoi(argv[3]));
        if (!a.rect().contains(crop)) {
            err << "the rectangle lies outside the " << a.width() << "x" << a.height()
                << " picture\n";
            return 1;
        }
        a = a.copy(crop);
    }
    if (a.size() != b.size()) {
        err << "sizes differ: " << a.width() << "x" << a.height() << " and " << b.width() << "x"
            << b.height() << "\n";
        return 1;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == b.pixel(x, y)) continue;
            err << "first difference at " << x << "," << y << ": " << Qt::hex << a.pixel(x, y)
                << " and " << b.pixel(x, y) << "\n";
            return 1;
        }
    }
    return 0;
}

int changed(const QImage& a, const QImage& b) {
    if (a.isNull() || b.isNull() || a.size() != b.size()) return 2;
    qint64 count = 0;
    int left = a.width(), top = a.height(), right = -1, bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (ra[x] == rb[x]) continue;
            ++count;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = y;
        }
    }
    if (count == 0) left = top = 0;
    out << count << " " << left << " " << top << " " << right - left + 1 << " " << bottom - top + 1
        << "\n";
    return 0;
}

// For desktops that place windows themselves: where a window showing B lies.
int find(const QImage& a, const QImage& b) {
    if (a.isNull() || b.width() < 16 || b.height() < 16) return 2;
    const QImage probe = b.copy(0, 0, 16, 16);
    for (int y = 0; y + 16 <= a.height(); ++y) {
        for (int x = 0; x + 16 <= a.width(); ++x) {
            if (a.pixel(x, y) != probe.pixel(0, 0) || a.copy(x, y, 16, 16) != probe) continue;
            out << x << " " << y << "\n";
            return 0;
        }
    }
    err << "the picture is not in " << a.width() << "x" << a.height() << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QByteArray command = argc > 1 ? argv[1] : "";
    if (command == "pattern" && argc == 6)
        return save(pattern({atoi(argv[2]), atoi(argv[3])}, atoi(argv[4])), argv[5]);
    if (command == "page" && argc == 3) return save(tallPage(), argv[2]);
    if (command == "equal" && (argc == 4 || argc == 8))
        return equal(load(argv[2]), load(argv[3]), argc - 4, argv + 4);
    if (command == "changed" && argc == 4) return changed(load(argv[2]), load(argv[3]));
    if (command == "find" && argc == 4) return find(load(argv[2]), load(argv[3]));
    err << "usage: wayland_image pattern W H SEED OUT | page OUT | equal A B [X Y W H] | "
           "changed A B | find A B\n";
    return 2;
}
