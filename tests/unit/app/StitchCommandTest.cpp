// `moxilane stitch`: its lines, messages, exit statuses and output file.
#include "ScrollSessionGenerator.h"
#include "TestPages.h"
#include "app/StitchCommand.h"

#include "capture/PngWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

namespace moxilane {
namespace {

using namespace scrolltest;

struct Outcome {
    int status = 0;
    QString out, err;
};

class StitchCommand : public testing::Test {
protected:
    Outcome stitch(const QStringList& args) {
        Outcome outcome;
        QTextStream out(&outcome.out), err(&outcome.err);
        outcome.status = runStitchCommand(args, out, err);
        out.flush();
        err.flush();
        return outcome;
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    QString save(const QString& name, const QImage& image) const {
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name);
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path(name);
    }
    QImage output() const { return QImage(path("out.png")).convertToFormat(QImage::Format_RGB32); }

    QTemporaryDir folder;
    const QImage page = renderPage({.content = Content::code, .width = 400, .height = 2000});
};

TEST_F(StitchCommand, StitchesFramesInOrderAndSaysWhatEachDid) {
    QStringList frames;
    for (const int top : {0, 60, 60, 150, 900, 200}) {
        const QImage frame = frameAt(page, top, 300);
        frames << save(QString("%1.png").arg(frames.size()),
                       top == 150 ? frame.convertToFormat(QImage::Format_RGBX64) : frame);
    }
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png"), "--scale", "2"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "first\nappended 60\nunchanged\nappended 90\nmisaligned\nappended 50\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(output(), frameAt(page, 0, 500));
    EXPECT_EQ(QImage(path("out.png")).dotsPerMeterX(), qRound(144 / 0.0254));
}

TEST_F(StitchCommand, ReportsBadFramesAndSkipsThem) {
    QImage noise = noisePage(64, 400);  // in 200 colours, so that a palette PNG holds it
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, qRgb(qRed(noise.pixel(x, y)) % 200, 90, 40));
    }
    QFile valid(save("valid.png", frameAt(page, 0, 300)));
    ASSERT_TRUE(valid.open(QIODevice::ReadOnly));
    const std::pair<QString, QString> frames[] = {
        {path("missing.png"), "unreadable: no such file"},
        {path(""), "unreadable: a folder, not a file"},
        {write("empty.png", {}), "unreadable: empty file"},
        {write("text.png", "not an image"), "unreadable: not a PNG image"},
        {write("truncated.png", valid.readAll().left(int(valid.size() / 2))),
         "unreadable: damaged or truncated PNG data"},
        {save("1x1.png", QImage(1, 1, QImage::Format_RGB32)), "too small"},
        {save("100000x1.png", QImage(100000, 1, QImage::Format_RGB32)), "too small"},
        {save("palette.png", frameAt(noise, 0, 200).convertToFormat(QImage::Format_Indexed8)),
         "first"},
        {save("16bit.png", frameAt(noise, 20, 200).convertToFormat(QImage::Format_RGBA64)),
         "appended 20"},
        {save("shorter.png", frameAt(noise, 20, 199)),
         "misaligned: 64x199, the first frame is 64x200"},
        {path("1x1.png"), "misaligned: 1x1, the first frame is 64x200"},
        {save("alpha.png", frameAt(noise, 50, 200).convertToFormat(QImage::Format_ARGB32)),
         "appended 30"},
    };
    QStringList args;
    for (const auto& frame : frames)
        args << frame.first;
    const Outcome run = stitch(args + QStringList{"-o", path("out.png")});
    EXPECT_EQ(run.status, 0);
    const QStringList lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), args.size() + 1);
    for (int i = 0; i < args.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(frames[i].second)) << lines[i].toStdString();
    EXPECT_EQ(run.err, "");  // nothing from Qt's PNG reader about the damaged file
    EXPECT_EQ(output(), frameAt(noise, 0, 250));
}

// A PNG file that declares this size and holds no pixels: enough for the size to be read.
QByteArray pngHeader(quint32 width, quint32 height) {
    auto bigEndian = [](quint32 value) {
        QByteArray bytes(4, 0);
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    auto chunk = [&](const QByteArray& typeAndData) {
        quint32 crc = 0xffffffff;
        for (const char byte : typeAndData) {
            crc ^= quint8(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
        }
        return bigEndian(quint32(typeAndData.size() - 4)) + typeAndData + bigEndian(~crc);
    };
    return QByteArray::fromHex("89504e470d0a1a0a") +
           chunk("IHDR" + bigEndian(width) + bigEndian(height) +
                 QByteArray::fromHex("0806000000")) +
           chunk("IDAT" + QByteArray::fromHex("789c030000000001")) + chunk("IEND");
}

TEST_F(StitchCommand, ReadsPipesAndLargeFramesAndRefusesDevicesAndHugeOnes) {
    const QString fifo = path("fifo.png");  // nothing ever writes to it
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // As the shell's <(cat frame.png) passes it: a pipe whose writer has sent the frame.
    QFile frame(save("frame.png", frameAt(page, 0, 300)));
    ASSERT_TRUE(frame.open(QIODevice::ReadOnly));
    const QByteArray bytes = frame.readAll();
    ASSERT_LT(bytes.size(), 65536);  // fits in the pipe without a reader
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], bytes.constData(), bytes.size()), bytes.size());
    ::close(pipeEnds[1]);
    QImage large(6000, 6000, QImage::Format_RGB32);  // above Qt's own reading limit
    large.fill(Qt::darkCyan);
    ASSERT_TRUE(writePNG(large, path("large.png"), 1.0));
    large = QImage();

    const Outcome run = stitch({fifo, "/dev/null", QString("/proc/self/fd/%1").arg(pipeEnds[0]),
                                write("tall.png", pngHeader(100, 24001)),
                                write("huge.png", pngHeader(16384, 8193)), "-o", path("out.png")});
    ::close(pipeEnds[0]);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "unreadable: nothing came through the pipe\n"
              "unreadable: not a regular file or a pipe\n"
              "first\n"
              "too large: 100 \u00d7 24001\n"
              "too large: 16384 \u00d7 8193\n")
        << run.out.toStdString();
    EXPECT_EQ(output(), frameAt(page, 0, 300));

    const Outcome big = stitch({path("large.png"), "-o", path("big.png")});
    EXPECT_EQ(big.out, "first\n");
    EXPECT_EQ(QImage(path("big.png")).size(), QSize(6000, 6000));
}

TEST_F(StitchCommand, StopsGrowingAt24000Rows) {
    const QImage tall = noisePage(64, 26000);
    QStringList frames;
    for (int i = 0; i < 29; ++i)
        frames << save(QString("%1.png").arg(i), frameAt(tall, 880 * i, 1000));
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.endsWith("appended 880\nfull\nfull\n")) << run.out.toStdString();
    EXPECT_EQ(output(), frameAt(tall, 0, 24000));
}

TEST_F(StitchCommand, UsageErrorsAndFailuresWriteNothingAndHelpSaysTheExitStatuses) {
    const QString first = save("first.png", frameAt(page, 0, 300));
    const QString empty = write("empty.png", {});
    const QString out = path("out.png");
    struct Row {
        QStringList args;
        int status;
        const char* message;  // part of standard error
    };
    const Row rows[] = {
        {{}, 2, "no output file given"},
        {{"-o", out}, 2, "no frames given"},
        {{first, "-o", out, "-o", path("b.png")}, 2, "give -o only once"},
        {{first, "-o"}, 2, "Missing value after '-o'"},
        {{first, "-o", out, "--frobnicate"}, 2, "Unknown option 'frobnicate'"},
        {{first, "-o", out, "--scale", "0"}, 2, "--scale needs one number greater than 0"},
        {{first, "-o", out, "--scale", "-1"}, 2, "not \"-1\""},
        {{first, "-o", out, "--scale", "two"}, 2, "not \"two\""},
        {{first, "-o", out, "--scale", "inf"}, 2, "not \"inf\""},
        {{first, "-o", out, "--scale", "nan"}, 2, "not \"nan\""},
        {{empty, "-o", out}, 1, "no frame to start from"},
        {{first, "-o", path("no/such/folder/out.png")}, 1, "out.png"},
        {{first, "-o", path("a-pipe")}, 2, "a-pipe is not a regular file"},
        {{first, "-o", path("")}, 2, "is a folder"},
    };
    ASSERT_EQ(mkfifo(QFile::encodeName(path("a-pipe")).constData(), 0600), 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const Outcome run = stitch(row.args);
        EXPECT_EQ(run.status, row.status);
        EXPECT_TRUE(run.err.contains(row.message)) << run.err.toStdString();
        EXPECT_EQ(run.err.contains("usage: moxilane stitch FRAME.png... -o OUT.png"),
                  row.status == 2);
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(QFileInfo(path("a-pipe")).isFile(), false);
    const Outcome help = stitch({"--help"});  // says what the exit status means
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("usage: moxilane stitch FRAME.png... -o OUT.png"));
    EXPECT_TRUE(help.out.contains("0  OUT.png was written, also when some frames were skipped"));
}

// Two lines of noise 680 rows apart on a blank page, seen in 300-row frames: the frame between
// shows only blank rows, and the gap's height cannot be seen.
TEST_F(StitchCommand, SaysWhereFramesWereJoinedAcrossABlankGap) {
    QImage blank(64, 1000, QImage::Format_RGB32);
    blank.fill(Qt::white);
    for (const int top : {20, 700}) {
        const QImage line = noisePage(64, 12, quint32(top));
        for (int y = 0; y < 12; ++y)
            std::memcpy(blank.scanLine(top + y), line.constScanLine(y), 256);
    }
    QStringList frames;
    for (const int top : {0, 250, 520})
        frames << save(QString("%1.png").arg(top), frameAt(blank, top, 300));
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png")});
    EXPECT_EQ(run.out, "first\nunchanged\nappended 32 (gap)\n");
    // Both lines once, with blank rows between them.
    const QImage out = output();
    ASSERT_EQ(out.height(), 332);
    EXPECT_EQ(out.copy(0, 0, 64, 192), frameAt(blank, 0, 192));
    EXPECT_EQ(out.copy(0, 192, 64, 140), frameAt(blank, 680, 140));
}

}  // namespace
}  // namespace moxilane
