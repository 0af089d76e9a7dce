#include "app/StitchCommand.h"

#include "capture/PngWriter.h"
#include "scroll/ScrollStitcher.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>
#include <expected>
#include <optional>

namespace moxilane {

namespace {

const char kUsage[] = "usage: moxilane stitch FRAME.png... -o OUT.png [--scale S]";

struct Request {
    QStringList frames;
    QString output;
    double scale = 1.0;
};

std::expected<Request, QString> parseArguments(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption output("o", "", "OUT.png");
    const QCommandLineOption scale("scale", "", "S");
    parser.addOptions({output, scale});
    if (!parser.parse(QStringList{"moxilane stitch"} + args))
        return std::unexpected(parser.errorText());
    Request request{parser.positionalArguments(), parser.value(output), 1.0};
    if (parser.values(output).size() != 1) {
        return std::unexpected(parser.isSet(output) ? QString("give -o only once")
                                                    : QString("no output file given (-o OUT.png)"));
    }
    if (request.frames.isEmpty()) return std::unexpected(QString("no frames given"));
    if (parser.isSet(scale)) {
        bool ok = false;
        request.scale = parser.value(scale).toDouble(&ok);
        if (parser.values(scale).size() != 1 || !ok || !std::isfinite(request.scale) ||
            request.scale <= 0) {
            return std::unexpected(QString("--scale needs one number greater than 0, not \"%1\"")
                                       .arg(parser.values(scale).join(' ')));
        }
    }
    return request;
}

// Qt's PNG reader also complains on standard error; the reason is reported once, by us.
class QuietImageReading {
public:
    QuietImageReading() : m_previous(qInstallMessageHandler(ignore)) {}
    ~QuietImageReading() { qInstallMessageHandler(m_previous); }
    QuietImageReading(const QuietImageReading&) = delete;
    QuietImageReading& operator=(const QuietImageReading&) = delete;

private:
    static void ignore(QtMsgType, const QMessageLogContext&, const QString&) {}
    QtMessageHandler m_previous;
};

std::expected<QImage, QString> readFrame(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::unexpected(QString("no such file"));
    if (info.isDir()) return std::unexpected(QString("a folder, not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::unexpected(file.errorString());
    if (file.size() == 0) return std::unexpected(QString("empty file"));
    QImageReader reader(&file);
    if (reader.format() != "png") return std::unexpected(QString("not a PNG image"));
    QuietImageReading quiet;
    QImage image = reader.read();
    if (image.isNull()) {
        return std::unexpected(
            QString("damaged or truncated PNG data (%1)").arg(reader.errorString()));
    }
    return image;
}

QString describe(const AppendResult& result, const QImage& frame, const ScrollStitcher& stitcher) {
    switch (result.kind) {
        case AppendResult::Kind::appended:
            return QString("appended %1%2").arg(result.rows).arg(result.acrossGap ? " (gap)" : "");
        case AppendResult::Kind::unchanged:
            return "unchanged";
        case AppendResult::Kind::full:
            return "full";
        case AppendResult::Kind::misaligned:
            break;
    }
    if (frame.width() != stitcher.frameWidth() || frame.height() != stitcher.frameHeight()) {
        return QString("misaligned: %1x%2, the first frame is %3x%4")
            .arg(frame.width())
            .arg(frame.height())
            .arg(stitcher.frameWidth())
            .arg(stitcher.frameHeight());
    }
    return "misaligned";
}

}  // namespace

int runStitchCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const auto request = parseArguments(args);
    if (!request) {
        err << "moxilane stitch: " << request.error() << "\n" << kUsage << "\n";
        return 2;
    }
    std::optional<ScrollStitcher> stitcher;
    for (const QString& path : request->frames) {
        const auto frame = readFrame(path);
        if (!frame) {
            out << "unreadable: " << frame.error() << "\n";
        } else if (!stitcher) {
            stitcher = ScrollStitcher::create(*frame, kMaxScrollCaptureHeight);
            out << (stitcher ? "first" : "too small") << "\n";
        } else {
            out << describe(stitcher->append(*frame), *frame, *stitcher) << "\n";
        }
    }
    out.flush();
    if (!stitcher) {
        err << "moxilane stitch: no frame to start from (each was unreadable, or lower than 120 "
               "or narrower than 8 pixels); "
            << request->output << " not written\n";
        return 1;
    }
    const auto image = stitcher->compose();
    if (!image) {
        err << "moxilane stitch: cannot put the stitched image together; " << request->output
            << " not written\n";
        return 1;
    }
    if (const auto written = writePNG(*image, request->output, request->scale); !written) {
        err << "moxilane stitch: " << written.error().description() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace moxilane
