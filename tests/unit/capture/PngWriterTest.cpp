#include "capture/PngWriter.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <limits>
#include <optional>

using namespace moxilane;

// Readable failure messages; QString lives in the global namespace, so found by ADL.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

// Rows of noise (nothing to compress), gradients with alpha, flat runs and text.
QImage screenLike(QSize size, QImage::Format format) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = y % 48 < 16 ? random.generate() : qRgba(x, y, 200, 255 - x % 128);
    }
    QPainter painter(&image);
    for (int y = 12; y < size.height(); y += 48)
        painter.drawText(4, y, QStringLiteral("void Stitcher::append(const QImage& frame);"));
    painter.end();
    return image.convertToFormat(format);
}

const auto bigEndian32 = [](const char* p) { return qFromBigEndian<quint32>(p); };

// The data of every chunk of this type, joined; nothing if absent or if any CRC is wrong.
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

// The IDAT data's size once inflated by zlib, which checks the stream and its Adler-32 (a PNG
// reader may only warn about a wrong checksum).
std::optional<qsizetype> inflatedSize(const QByteArray& png) {
    const QByteArray stream = chunk(png, "IDAT").value_or(QByteArray());
    QByteArray out(64 << 20, Qt::Uninitialized);
    uLongf size = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(stream.constData()),
                   uLong(stream.size())) != Z_OK)
        return std::nullopt;
    return qsizetype(size);
}

const auto entries = [](const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
};

}  // namespace

TEST(PngWriter, RoundTripKeepsEveryPixel) {
    QImage flat(2000, 1100, QImage::Format_RGB32);
    flat.fill(qRgb(40, 44, 52));
    const struct {
        const char* name;
        QImage image;
    } rows[] = {
        {"1x1", screenLike({1, 1}, QImage::Format_RGB32)},
        {"3 wide", screenLike({3, 50}, QImage::Format_RGB32)},
        {"4097 wide", screenLike({4097, 37}, QImage::Format_RGB32)},
        {"several bands, the last one short", screenLike({1999, 1201}, QImage::Format_RGB32)},
        {"flat colour over several bands", flat},
        {"RGB888", screenLike({99, 71}, QImage::Format_RGB888)},
        {"grayscale", screenLike({33, 9}, QImage::Format_Grayscale8)},
        {"RGB16 is converted", screenLike({20, 20}, QImage::Format_RGB16)},
        {"ARGB32 over several bands", screenLike({1023, 1001}, QImage::Format_ARGB32)},
        {"premultiplied", screenLike({257, 33}, QImage::Format_ARGB32_Premultiplied)},
        {"RGBA8888", screenLike({31, 17}, QImage::Format_RGBA8888)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto png = pngData(row.image, 1.0);
        ASSERT_TRUE(png) << png.error().toStdString();
        const bool hasAlpha = row.image.hasAlphaChannel();
        const QByteArray header = chunk(*png, "IHDR").value_or(QByteArray(13, 0));
        EXPECT_EQ(header.mid(8, 2), QByteArray::fromHex(hasAlpha ? "0806" : "0802"))
            << "8 bits, RGBA or RGB";
        EXPECT_EQ(inflatedSize(*png),
                  row.image.height() * (1 + qsizetype(row.image.width()) * (hasAlpha ? 4 : 3)));
        // Straight alpha, or none at all.
        const auto format = hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        EXPECT_TRUE(QImage::fromData(*png).convertToFormat(format) ==
                    row.image.convertToFormat(format));
    }
}

TEST(PngWriter, ResolutionIs72PixelsPerInchTimesScale) {
    for (const auto& [scale, perMetre] :
         {std::pair{1.0, "00000b13"}, {1.5, "0000109c"}, {2.0, "00001625"}}) {
        SCOPED_TRACE(scale);
        const auto png = pngData(screenLike({8, 8}, QImage::Format_RGB32), scale);
        ASSERT_TRUE(png);  // x and y in pixels per metre, then the unit: the metre
        EXPECT_EQ(chunk(*png, "pHYs"), QByteArray::fromHex(perMetre).repeated(2) + '\x01');
    }
}

TEST(PngWriter, RefusesWhatHasNoMeaning) {
    const QImage pixels = screenLike({4, 4}, QImage::Format_RGB32);
    const struct {
        const char* name;
        QImage image;
        double scale;
    } rows[] = {{"null image", QImage(), 1.0},
                {"zero scale", pixels, 0.0},
                {"negative scale", pixels, -2.0},
                {"scale beyond 31 bits", pixels, 1e9},
                {"NaN scale", pixels, std::numeric_limits<double>::quiet_NaN()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto png = pngData(row.image, row.scale);
        ASSERT_FALSE(png);
        EXPECT_FALSE(png.error().isEmpty());
    }
}

TEST(PngWriter, FailedWriteLeavesNothingAndNamesTheFile) {
    static const QString name = QStringLiteral("Screenshot 2024-03-05 at 14.07.09.123.png");
    const QByteArray bytes = pngData(screenLike({300, 300}, QImage::Format_RGB32), 1.0).value();
    // Each makes its fault inside an empty folder and returns the folder to write into.
    const struct {
        const char* name;
        QString (*makeFault)(const QString& root);
        const char* reason;
        bool limitsFileSize = false;
    } rows[] = {
        {"missing folder", [](const QString& root) { return root + QStringLiteral("/gone"); },
         "No such file or directory"},
        {"folder is a file",
         [](const QString& root) {
             QFile file(root + QStringLiteral("/notes.txt"));
             return file.open(QIODevice::WriteOnly) ? file.fileName() : QString();
         },
         "Not a directory"},
        {"path is a folder",
         [](const QString& root) { return QDir(root).mkdir(name) ? root : QString(); },
         "Is a directory"},
        // A file size limit makes write() fail part-way, as a full disk does.
        {"disk fills up mid-write", [](const QString& root) { return root; }, "File too large",
         true},
        // Where permissions do not bind (root), this row is passed over.
        {"read-only folder",
         [](const QString& root) {
             QFile::setPermissions(root, QFile::ReadOwner | QFile::ExeOwner);
             return root;
         },
         "Permission denied"},
    };
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        const QString folder = row.makeFault(root.path());
        ASSERT_FALSE(folder.isEmpty());
        if (!(QFile::permissions(folder) & QFile::WriteOwner) &&
            access(folder.toLocal8Bit().constData(), W_OK) == 0) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            continue;  // permissions do not bind this user (root)
        }
        const QStringList before = entries(root.path()) + entries(folder);

        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        rlimit limit{row.limitsFileSize ? 4096 : unlimited.rlim_cur, unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto written = writeFileAtomically(bytes, folder + QLatin1Char('/') + name);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().description(),
                  QStringLiteral("The file \u201c%1\u201d couldn\u2019t be saved: %2.")
                      .arg(name, row.reason));
        EXPECT_EQ(entries(root.path()) + entries(folder), before)
            << "no file and no temporary left";
    }
    std::signal(SIGXFSZ, oldHandler);
}

TEST(PngWriter, WritingTwiceLeavesOnlyTheSecondImage) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Screenshot.png"));
    const QImage first = screenLike({120, 80}, QImage::Format_RGB32);
    const QImage second = screenLike({64, 48}, QImage::Format_RGB32).mirrored();
    const mode_t oldMask = umask(022);
    ASSERT_TRUE(writePNG(first, path, 1.0));
    umask(oldMask);
    // A new file's mode, not the private one of a temporary.
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_TRUE(writePNG(second, path, 2.0));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("Screenshot.png")});
    const QImage onDisk(path);
    ASSERT_EQ(onDisk.size(), second.size());
    EXPECT_TRUE(onDisk.convertToFormat(QImage::Format_RGB32) == second);
    EXPECT_EQ(onDisk.dotsPerMeterX(), 5669);
}
