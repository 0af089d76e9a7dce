#include "capture/PngWriter.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>

using namespace moxilane;

// Readable failure messages; QString lives in the global namespace, so found by ADL.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

// Noise where the compressor finds nothing, flat runs where it finds everything, text between.
QImage screenLike(QSize size, QImage::Format format, quint32 seed = 7) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = (y / 16) % 3 == 0 ? random.generate()
                                       : qRgba(x & 255, y & 255, 200, 255 - (x & 127));
    }
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int y = 12; y < size.height(); y += 48)
        painter.drawText(
            4, y, QStringLiteral("void Stitcher::append(const QImage& frame) { ++m_frames; }"));
    painter.end();
    return image.convertToFormat(format);
}

// The colours a reader should see: straight alpha, or none when the format has none.
QImage expectedPixels(const QImage& image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

std::optional<QPoint> firstDifference(const QImage& expected, const QImage& actual) {
    const QImage b = actual.convertToFormat(expected.format());
    for (int y = 0; y < expected.height(); ++y) {
        const auto* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        const auto* a = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x)
            if (e[x] != a[x]) return QPoint(x, y);
    }
    return std::nullopt;
}

quint32 bigEndian32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}

// The data of every chunk of this type, joined; nothing if the type is absent or any CRC is wrong.
std::optional<QByteArray> chunk(const QByteArray& png, const char* type) {
    std::optional<QByteArray> data;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = bigEndian32(png.constData() + at);
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png.constData() + at + 4);
        if (crc32(0, typeAndData, uInt(length + 4)) !=
            bigEndian32(png.constData() + at + 8 + length))
            return std::nullopt;
        if (png.mid(at + 4, 4) == type)
            data = data.value_or(QByteArray()) + png.mid(at + 8, length);
        at += 12 + length;
    }
    return data;
}

// The size of the IDAT data once inflated by zlib, which checks the stream and its Adler-32
// (a PNG reader may only warn about the checksum).
std::optional<qsizetype> inflatedSize(const QByteArray& png) {
    const auto stream = chunk(png, "IDAT");
    if (!stream) return std::nullopt;
    QByteArray out(64 << 20, Qt::Uninitialized);
    uLongf size = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(stream->constData()),
                   uLong(stream->size())) != Z_OK)
        return std::nullopt;
    return qsizetype(size);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

TEST(PngWriter, RoundTripKeepsEveryPixel) {
    QImage partialAlpha(5, 3, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            partialAlpha.setPixel(x, y, qPremultiply(qRgba(250, 120, 7, x * 60)));
    QImage flat(2000, 1100, QImage::Format_RGB32);
    flat.fill(qRgb(40, 44, 52));
    QImage gray(33, 9, QImage::Format_Grayscale8);
    for (int y = 0; y < 9; ++y)
        std::memset(gray.scanLine(y), y * 28, 33);

    struct Row {
        const char* name;
        QImage image;
        int colourType;  // 2 = RGB, 6 = RGBA
    };
    const Row rows[] = {
        {"1x1", screenLike({1, 1}, QImage::Format_RGB32), 2},
        {"3 wide", screenLike({3, 50}, QImage::Format_RGB32), 2},
        {"4 wide", screenLike({4, 7}, QImage::Format_RGB32), 2},
        {"4097 wide", screenLike({4097, 37}, QImage::Format_RGB32), 2},
        {"prime height", screenLike({641, 487}, QImage::Format_RGB32), 2},
        {"one row", screenLike({1920, 1}, QImage::Format_RGB32), 2},
        {"RGB888", screenLike({99, 71}, QImage::Format_RGB888), 2},
        {"grayscale", gray, 2},
        {"ARGB32", screenLike({257, 33}, QImage::Format_ARGB32), 6},
        {"premultiplied partial alpha", partialAlpha, 6},
        {"RGBA8888", screenLike({31, 17}, QImage::Format_RGBA8888), 6},
        {"RGB16 is converted", screenLike({20, 20}, QImage::Format_RGB16), 2},
        {"many bands, the last one short", screenLike({1999, 1201}, QImage::Format_RGB32), 2},
        {"flat colour over many bands", flat, 2},
        {"many bands with alpha", screenLike({1023, 1001}, QImage::Format_ARGB32), 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto png = pngData(row.image, 1.0);
        ASSERT_TRUE(png) << png.error().toStdString();
        const QByteArray header = chunk(*png, "IHDR").value_or(QByteArray(13, 0));
        EXPECT_EQ(header.at(8), 8) << "bit depth";
        EXPECT_EQ(header.at(9), row.colourType);
        const int channels = row.colourType == 6 ? 4 : 3;
        EXPECT_EQ(inflatedSize(*png),
                  row.image.height() * (1 + qsizetype(row.image.width()) * channels));
        const QImage decoded = QImage::fromData(*png, "PNG");
        ASSERT_EQ(decoded.size(), row.image.size());
        const auto at = firstDifference(expectedPixels(row.image), decoded);
        EXPECT_FALSE(at) << "first difference at " << at->x() << "," << at->y();
    }
}

TEST(PngWriter, ResolutionIs72PixelsPerInchTimesScale) {
    const struct {
        double scale;
        quint32 pixelsPerMetre;
    } rows[] = {{1.0, 2835}, {1.5, 4252}, {2.0, 5669}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scale);
        const auto png = pngData(screenLike({8, 8}, QImage::Format_RGB32), row.scale);
        ASSERT_TRUE(png);
        const auto phys = chunk(*png, "pHYs");
        ASSERT_TRUE(phys && phys->size() == 9);
        EXPECT_EQ(bigEndian32(phys->constData()), row.pixelsPerMetre);
        EXPECT_EQ(bigEndian32(phys->constData() + 4), row.pixelsPerMetre);
        EXPECT_EQ(phys->at(8), 1) << "unit is the metre";
    }
}

TEST(PngWriter, RefusesWhatHasNoMeaning) {
    const QImage pixels = screenLike({4, 4}, QImage::Format_RGB32);
    const struct {
        const char* name;
        QImage image;
        double scale;
    } rows[] = {
        {"null image", QImage(), 1.0},
        {"zero scale", pixels, 0.0},
        {"negative scale", pixels, -2.0},
        {"NaN scale", pixels, std::numeric_limits<double>::quiet_NaN()},
        {"scale beyond 31 bits", pixels, 1e9},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto png = pngData(row.image, row.scale);
        ASSERT_FALSE(png);
        EXPECT_FALSE(png.error().isEmpty());
    }
}

TEST(PngWriter, EncodesOnSeveralThreadsAtOnce) {
    std::vector<QImage> images;
    for (quint32 seed = 1; seed <= 4; ++seed)
        images.push_back(screenLike({701, 173}, QImage::Format_RGB32, seed));
    std::vector<QImage> decoded(images.size());
    {
        std::vector<std::jthread> threads;
        for (size_t i = 0; i < images.size(); ++i)
            threads.emplace_back([&, i] {
                decoded[i] = QImage::fromData(pngData(images[i], 2.0).value_or(QByteArray()));
            });
    }
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(decoded[i].size(), images[i].size());
        EXPECT_FALSE(firstDifference(expectedPixels(images[i]), decoded[i]));
    }
}

TEST(PngWriter, FailedWriteLeavesNothingAndNamesTheFile) {
    const QString name = QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123.png");
    const QByteArray bytes = pngData(screenLike({300, 300}, QImage::Format_RGB32), 1.0).value();
    enum class Fault {
        MissingFolder,
        UnderARegularFile,
        PathIsAFolder,
        ReadOnlyFolder,
        FileTooLarge
    };
    const struct {
        const char* name;
        Fault fault;
        const char* reason;
    } rows[] = {
        {"missing folder", Fault::MissingFolder, "No such file or directory"},
        {"folder is a file", Fault::UnderARegularFile, "Not a directory"},
        {"path is a folder", Fault::PathIsAFolder, "Is a directory"},
        {"disk fills up mid-write", Fault::FileTooLarge, "File too large"},
        // Last: it skips the rest of the test where permissions do not bind.
        {"read-only folder", Fault::ReadOnlyFolder, "Permission denied"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        QString folder = root.path() + QStringLiteral("/Pictures");
        QDir().mkpath(folder);
        if (row.fault == Fault::MissingFolder) folder = root.path() + QStringLiteral("/gone");
        if (row.fault == Fault::UnderARegularFile) {
            QFile file(root.path() + QStringLiteral("/notes.txt"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            folder = file.fileName();
        }
        if (row.fault == Fault::PathIsAFolder) QDir(folder).mkdir(name);
        if (row.fault == Fault::ReadOnlyFolder) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            if (access(folder.toLocal8Bit().constData(), W_OK) == 0) {
                QFile::setPermissions(folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                GTEST_SKIP() << "running with privileges that ignore folder permissions";
            }
        }
        const QStringList before = entries(root.path()) + entries(folder);

        // A file size limit makes write() fail part-way, as a full disk does.
        rlimit oldLimit{};
        if (row.fault == Fault::FileTooLarge) {
            getrlimit(RLIMIT_FSIZE, &oldLimit);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = oldLimit;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const auto written = writeFileAtomically(bytes, folder + QLatin1Char('/') + name);
        if (row.fault == Fault::FileTooLarge) setrlimit(RLIMIT_FSIZE, &oldLimit);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().description(),
                  QStringLiteral("The file \u201c%1\u201d couldn\u2019t be saved: %2.")
                      .arg(name, row.reason));
        EXPECT_EQ(entries(root.path()) + entries(folder), before)
            << "no file and no temporary left";
    }
}

TEST(PngWriter, WritingTwiceLeavesOnlyTheSecondImage) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Screenshot.png"));
    const QImage first = screenLike({120, 80}, QImage::Format_RGB32, 1);
    const QImage second = screenLike({64, 48}, QImage::Format_RGB32, 2);
    ASSERT_TRUE(writePNG(first, path, 1.0));
    ASSERT_TRUE(writePNG(second, path, 2.0));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("Screenshot.png")});
    const QImage onDisk(path);
    ASSERT_EQ(onDisk.size(), second.size());
    EXPECT_FALSE(firstDifference(expectedPixels(second), onDisk));
    EXPECT_EQ(onDisk.dotsPerMeterX(), 5669);
}
