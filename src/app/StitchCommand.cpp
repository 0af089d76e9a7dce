#include "app/StitchCommand.h"

#include "capture/PngWriter.h"
#include "scroll/ScrollStitcher.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <expected>
#include <optional>

namespace moxilane {

namespace {

QString usage() {
    return renderUsage(stitchHelp().usage);
}

struct Request {
    QStringList frames;
    QString output;
    double scale = 1.0;
    bool help = false;
};

std::expected<Request, QString> parseArguments(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption output("o", "", "OUT.png");
    const QCommandLineOption scale("scale", "", "S");
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOptions({output, scale, help});
    if (!parser.parse(QStringList{"moxilane stitch"} + args))
        return std::unexpected(parser.errorText());
    if (parser.isSet(help)) return Request{{}, {}, 1.0, true};
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

// A frame's decoded pixels, at four bytes a pixel, may take this much; a taller frame than
// the stitched image may become is no frame of a scrolling capture.
constexpr qint64 kMaxFrameBytes = qint64(512) << 20;
// What a pipe may send: a PNG of the largest frame, even without compression.
constexpr qint64 kMaxStreamBytes = qint64(1) << 30;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// A named pipe or a stream such as <(cat f.png): everything its writers send. A pipe that
// nothing writes to reads as empty at once instead of waiting for a writer for ever.
std::expected<QByteArray, QString> readStream(const QString& path) {
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::unexpected(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray bytes;
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n > 0) {
            bytes.append(buffer.data(), n);
            if (bytes.size() > kMaxStreamBytes) return std::unexpected(QString("more than 1 GiB"));
        } else if (n == 0) {
            return bytes;  // every writer has finished, or there was none
        } else if (errno == EAGAIN) {
            pollfd ready{fd.get(), POLLIN, 0};
            ::poll(&ready, 1, -1);  // a writer is there and has not sent everything yet
        } else if (errno != EINTR) {
            return std::unexpected(QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
}

// The frame's line when it cannot be used: "unreadable: REASON" or "too large: W × H".
std::expected<QImage, QString> decodeFrame(QIODevice& device) {
    QImageReader reader(&device);
    if (reader.format() != "png") return std::unexpected(QString("unreadable: not a PNG image"));
    const QSize size = reader.size();
    if (size.height() > kMaxScrollCaptureHeight ||
        qint64(size.width()) * size.height() * 4 > kMaxFrameBytes) {
        return std::unexpected(
            QString("too large: %1 \u00d7 %2").arg(size.width()).arg(size.height()));
    }
    // Qt's own limit (in MiB) would refuse frames well below ours; 16-bit frames decode at
    // eight bytes a pixel.
    QImageReader::setAllocationLimit(int(2 * kMaxFrameBytes >> 20));
    QuietImageReading quiet;
    QImage image = reader.read();
    if (image.isNull()) {
        return std::unexpected(
            QString("unreadable: damaged or truncated PNG data (%1)").arg(reader.errorString()));
    }
    return image;
}

std::expected<QImage, QString> readFrame(const QString& path) {
    auto unreadable = [](const QString& reason) {
        return std::unexpected(QString("unreadable: ") + reason);
    };
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return unreadable(errno == ENOENT ? QString("no such file")
                                          : QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(status.st_mode)) return unreadable("a folder, not a file");
    if (S_ISFIFO(status.st_mode)) {
        auto bytes = readStream(path);
        if (!bytes) return unreadable(bytes.error());
        if (bytes->isEmpty()) return unreadable("nothing came through the pipe");
        QBuffer buffer(&*bytes);
        buffer.open(QIODevice::ReadOnly);
        return decodeFrame(buffer);
    }
    // A device (a terminal, /dev/zero) would be read for ever, or not at all.
    if (!S_ISREG(status.st_mode)) return unreadable("not a regular file or a pipe");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return unreadable(file.errorString());
    if (file.size() == 0) return unreadable("empty file");
    return decodeFrame(file);
}

// The output is replaced by a new file: only a regular file, or a new name, may be replaced.
std::optional<QString> outputProblem(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
    if (S_ISREG(status.st_mode)) return std::nullopt;
    return QString("%1 is %2; give a regular file or a new name")
        .arg(path, S_ISDIR(status.st_mode) ? QString("a folder") : QString("not a regular file"));
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

HelpPage stitchHelp() {
    return {
        .usage = {QStringLiteral("moxilane stitch FRAME.png... -o OUT.png [--scale S]")},
        .paragraphs = {QStringLiteral("Stitches the frames of a scrolling capture, in the order "
                                      "taken, into one tall PNG.")},
        .sections =
            {{.heading = QStringLiteral("Options"),
              .intro = {},
              .rows = {{QStringLiteral("-o OUT.png"),
                        QStringLiteral("the image to write (a new name or a regular file, which "
                                       "is replaced)")},
                       {QStringLiteral("--scale S"),
                        QStringLiteral("device pixels per point of the frames (default 1), kept "
                                       "as the PNG's resolution: 72 x S pixels per inch")},
                       {QStringLiteral("-h, --help"), QStringLiteral("show this help")}}},
             {.heading = QStringLiteral("Frames"),
              .intro = QStringLiteral("Frames: PNG files or pipes, each at most %1 rows high "
                                      "and %2 MiB when decoded.")
                           .arg(kMaxScrollCaptureHeight)
                           .arg(kMaxFrameBytes >> 20),
              .rows = {}},
             {.heading = QStringLiteral("Report"),
              .intro = QStringLiteral(
                  "One line per frame on standard output: first, appended N, appended N (gap) "
                  "where the frames shared only blank rows and the gap may come out shorter, "
                  "unchanged, misaligned, full, too small, too large: W x H, or unreadable: "
                  "REASON."),
              .rows = {}},
             {.heading = QStringLiteral("Exit status"),
              .intro = {},
              .rows = {{QStringLiteral("0"),
                        QStringLiteral("OUT.png was written, also when some frames were skipped "
                                       "(misaligned, unreadable, too small or too large) or the "
                                       "image stopped at %1 rows: the lines say which")
                            .arg(kMaxScrollCaptureHeight)},
                       {QStringLiteral("1"), QStringLiteral("no image could be made, or it could "
                                                            "not be written; OUT.png is left as "
                                                            "it was")},
                       {QStringLiteral("2"), QStringLiteral("the command was used wrongly")}}}},
    };
}

int runStitchCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const auto request = parseArguments(args);
    if (!request) {
        err << "moxilane stitch: " << request.error() << "\n" << usage();
        return 2;
    }
    if (request->help) {
        out << renderHelpText(stitchHelp());
        return 0;
    }
    if (const auto problem = outputProblem(request->output)) {
        err << "moxilane stitch: " << *problem << "\n" << usage();
        return 2;
    }
    std::optional<ScrollStitcher> stitcher;
    for (const QString& path : request->frames) {
        const auto frame = readFrame(path);
        if (!frame) {
            out << frame.error() << "\n";
        } else if (!stitcher) {
            stitcher = ScrollStitcher::create(*frame, kMaxScrollCaptureHeight);
            out << (stitcher ? "first" : "too small") << "\n";
        } else {
            out << describe(stitcher->append(*frame), *frame, *stitcher) << "\n";
        }
    }
    out.flush();
    if (!stitcher) {
        err << "moxilane stitch: no frame to start from (each was unreadable, or lower than "
            << kMinFrameHeight << " or narrower than " << kMinFrameWidth << " pixels); "
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
