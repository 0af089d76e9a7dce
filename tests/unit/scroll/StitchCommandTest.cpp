// `moxilane stitch`: its lines, messages, exit statuses and output file.
#include "ScrollSessionGenerator.h"
#include "app/StitchCommand.h"

#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace moxilane {
namespace {

using namespace scrolltest;

struct Outcome {
    int status;
    QString out, err;
};

Outcome stitch(const QStringList& args) {
    Outcome outcome{0, {}, {}};
    QTextStream out(&outcome.out), err(&outcome.err);
    outcome.status = runStitchCommand(args, out, err);
    out.flush();
    err.flush();
    return outcome;
}

// Noise in 200 colours, so that a palette PNG holds it exactly.
QImage paletteNoise(int width, int height) {
    QImage page(width, height, QImage::Format_RGB32);
    QRandomGenerator random(4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            page.setPixel(x, y, qRgb(int(random.bounded(200)), 90, 40));
    }
    return page;
}

class StitchCommand : public testing::Test {
protected:
    QString path(const QString& name) const { return folder.filePath(name); }
    QString save(const QString& name, const QImage& image) const {
        EXPECT_TRUE(image.save(path(name), "PNG"));
        return path(name);
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
    QImage output(const QString& name) const {
        return QImage(path(name)).convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir folder;
    const QImage page = renderPage({.content = Content::code, .width = 400, .height = 2000});
    QImage frame(int top) const { return page.copy(0, top, 400, 300); }
};

TEST_F(StitchCommand, StitchesFramesInOrderAndSaysWhatEachDid) {
    const QStringList frames = {
        save("0.png", frame(0)),   save("1.png", frame(60)),
        save("2.png", frame(60)),  save("3.png", frame(150).convertToFormat(QImage::Format_RGBX64)),
        save("4.png", frame(900)), save("5.png", frame(200)),
    };
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png"), "--scale", "2"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "first\nappended 60\nunchanged\nappended 90\nmisaligned\nappended 50\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(output("out.png"), page.copy(0, 0, 400, 500));
    EXPECT_EQ(QImage(path("out.png")).dotsPerMeterX(), qRound(144 / 0.0254));
}

TEST_F(StitchCommand, ReportsBadFramesAndSkipsThem) {
    const QImage noise = paletteNoise(64, 400);
    QFile valid(save("valid.png", frame(0)));
    ASSERT_TRUE(valid.open(QIODevice::ReadOnly));
    const QStringList frames = {
        path("missing.png"),
        path(""),
        write("empty.png", {}),
        write("text.png", "not an image"),
        write("truncated.png", valid.readAll().left(int(valid.size() / 2))),
        save("1x1.png", QImage(1, 1, QImage::Format_RGB32)),
        save("100000x1.png", QImage(100000, 1, QImage::Format_RGB32)),
        save("palette.png", noise.copy(0, 0, 64, 200).convertToFormat(QImage::Format_Indexed8)),
        save("16bit.png", noise.copy(0, 20, 64, 200).convertToFormat(QImage::Format_RGBA64)),
        save("shorter.png", noise.copy(0, 20, 64, 199)),
        save("1x1.png", QImage(1, 1, QImage::Format_RGB32)),
        save("alpha.png", noise.copy(0, 50, 64, 200).convertToFormat(QImage::Format_ARGB32)),
    };
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png")});
    EXPECT_EQ(run.status, 0);
    const QStringList lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), frames.size() + 1);
    EXPECT_EQ(lines[0], "unreadable: no such file");
    EXPECT_EQ(lines[1], "unreadable: a folder, not a file");
    EXPECT_EQ(lines[2], "unreadable: empty file");
    EXPECT_EQ(lines[3], "unreadable: not a PNG image");
    EXPECT_TRUE(lines[4].startsWith("unreadable: damaged or truncated PNG data"))
        << lines[4].toStdString();
    EXPECT_EQ(lines[5], "too small");
    EXPECT_EQ(lines[6], "too small");
    EXPECT_EQ(lines[7], "first");
    EXPECT_EQ(lines[8], "appended 20");
    EXPECT_EQ(lines[9], "misaligned: 64x199, the first frame is 64x200");
    EXPECT_EQ(lines[10], "misaligned: 1x1, the first frame is 64x200");
    EXPECT_EQ(lines[11], "appended 30");
    EXPECT_EQ(run.err, "");  // nothing from the PNG reader about the damaged file
    EXPECT_EQ(output("out.png"), noise.copy(0, 0, 64, 250));
}

TEST_F(StitchCommand, StopsGrowingAt24000Rows) {
    QImage tall(64, 26000, QImage::Format_RGB32);
    QRandomGenerator random(8);
    for (int y = 0; y < tall.height(); ++y) {
        for (int x = 0; x < 64; ++x)
            tall.setPixel(x, y, random.generate() | 0xff000000u);
    }
    QStringList frames;
    for (int i = 0; i < 29; ++i) {
        frames << save(QString("%1.png").arg(i), tall.copy(0, 880 * i, 64, 1000));
    }
    const Outcome run = stitch(frames + QStringList{"-o", path("out.png")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.endsWith("appended 880\nfull\nfull\n")) << run.out.toStdString();
    EXPECT_EQ(output("out.png"), tall.copy(0, 0, 64, 24000));
}

TEST_F(StitchCommand, UsageErrorsAndFailuresWriteNothingAndSayWhy) {
    const QString first = save("first.png", frame(0));
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
        {{first}, 2, "no output file given"},
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const Outcome run = stitch(row.args);
        EXPECT_EQ(run.status, row.status);
        EXPECT_TRUE(run.err.contains(row.message)) << run.err.toStdString();
        EXPECT_EQ(run.err.contains("usage: moxilane stitch FRAME.png... -o OUT.png"),
                  row.status == 2);
        EXPECT_FALSE(QFile::exists(out));
    }
}

}  // namespace
}  // namespace moxilane
