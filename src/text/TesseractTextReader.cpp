#include "text/TesseractTextReader.h"

#include "platform/MemoryRelease.h"
#include "text/CodeScanner.h"
#include "text/TextAssembly.h"
#include "text/TextImage.h"
#include "text/TextLanguages.h"

#include <QLocale>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <omp.h>

namespace moxilane {

namespace {

// Below this mean word confidence the "text" is what the engine makes of noise.
constexpr int kMinMeanConfidence = 40;

bool cancelRequested(void* cancel, int /*words*/) {
    return static_cast<const std::atomic<bool>*>(cancel)->load();
}

struct TextDeleter {
    void operator()(char* text) const { delete[] text; }
};

}  // namespace

TesseractTextReader::TesseractTextReader(QString dataFolder)
    : m_dataFolder(std::move(dataFolder)) {}

TesseractTextReader::~TesseractTextReader() = default;

void TesseractTextReader::release() {
    if (!m_engine) return;
    m_engine.reset();
    m_languages.clear();
    // The engine's tens of megabytes would otherwise stay resident in the heap.
    returnFreedMemory();
}

std::expected<void, TextReadError> TesseractTextReader::load(const QString& languages) {
    if (m_engine && m_languages == languages) return {};
    release();
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray folder = m_dataFolder.toLocal8Bit();
    if (engine->Init(folder.constData(), languages.toUtf8().constData(),
                     tesseract::OEM_LSTM_ONLY) != 0) {
        return std::unexpected(TextReadError{
            TextReadError::Kind::MissingData,
            QStringLiteral("The text recognition data for “%1” could not be loaded from %2.")
                .arg(languages, m_dataFolder)});
    }
    // Its notes ("Empty page!!") are not the user's business.
    engine->SetVariable("debug_file", "/dev/null");
    // Screen text keeps its spaces; the engine's default squeezes runs of them.
    engine->SetVariable("preserve_interword_spaces", "1");
    m_engine = std::move(engine);
    m_languages = languages;
    return {};
}

std::expected<QString, TextReadError> TesseractTextReader::read(const QImage& image,
                                                                const QString& languageSetting,
                                                                const std::atomic<bool>& cancel) {
    if (qint64(image.width()) * image.height() > kMaxPixels) {
        return std::unexpected(
            TextReadError{TextReadError::Kind::TooLarge,
                          QStringLiteral("The area is too large to read text from.")});
    }
    if (image.width() < 2 || image.height() < 2) return QString();
    const QLocale locale = QLocale::system();
    const auto languages =
        chooseTextLanguages(languageSetting, locale.uiLanguages() << locale.name(),
                            installedTextLanguages(m_dataFolder));
    if (!languages)
        return std::unexpected(TextReadError{TextReadError::Kind::MissingData, languages.error()});
    if (auto loaded = load(*languages); !loaded) return std::unexpected(loaded.error());
    const ScannedCodes codes = scanCodes(image);
    if (cancel) return std::unexpected(TextReadError{TextReadError::Kind::Cancelled, {}});
    auto text = recognise(withoutCodes(image, codes.areas), cancel);
    if (!text) return text;
    return assembleText(codes.lines, *text);
}

std::expected<QString, TextReadError> TesseractTextReader::recognise(
    const QImage& image, const std::atomic<bool>& cancel) {
    // The engine asks for ten threads per step; on a small or busy machine their spinning
    // costs more than it gains. Dynamic threads let the runtime give only the idle cores.
    omp_set_dynamic(1);
    if (sharpChangeShare(image.convertToFormat(QImage::Format_Grayscale8)) > kNoiseSharpChangeShare)
        return QString();
    const TextImage prepared = prepareTextImage(image);
    m_engine->SetPageSegMode(prepared.singleLine ? tesseract::PSM_SINGLE_LINE
                                                 : tesseract::PSM_AUTO);
    m_engine->SetImage(prepared.gray.constBits(), prepared.gray.width(), prepared.gray.height(), 1,
                       int(prepared.gray.bytesPerLine()));
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = cancelRequested;
    monitor.cancel_this = const_cast<std::atomic<bool>*>(&cancel);
    const int status = m_engine->Recognize(&monitor);
    if (cancel) {
        m_engine->Clear();
        return std::unexpected(TextReadError{TextReadError::Kind::Cancelled, {}});
    }
    if (status != 0) {
        m_engine->Clear();
        return std::unexpected(TextReadError{TextReadError::Kind::EngineFailed,
                                             QStringLiteral("The text could not be read.")});
    }
    const std::unique_ptr<char, TextDeleter> text(m_engine->GetUTF8Text());
    const int confidence = m_engine->MeanTextConf();
    m_engine->Clear();
    if (!text || confidence < kMinMeanConfidence) return QString();
    return QString::fromUtf8(text.get());
}

}  // namespace moxilane
