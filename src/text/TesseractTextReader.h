#pragma once

#include "text/TextReader.h"

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

namespace moxilane {

// Tesseract for the text and zxing for the codes. The engine loads at the first read,
// on the worker, and stays until release() or a read in other languages.
class TesseractTextReader final : public TextReader {
public:
    // Larger areas are refused rather than read for minutes with gigabytes of memory.
    static constexpr qint64 kMaxPixels = 40'000'000;

    explicit TesseractTextReader(QString dataFolder);
    ~TesseractTextReader() override;

    std::expected<QString, TextReadError> read(const QImage& image, const QString& languageSetting,
                                               const std::atomic<bool>& cancel) override;
    void release() override;

private:
    std::expected<void, TextReadError> load(const QString& languages);
    std::expected<QString, TextReadError> recognise(const QImage& image,
                                                    const std::atomic<bool>& cancel);

    QString m_dataFolder;
    std::unique_ptr<tesseract::TessBaseAPI> m_engine;
    QString m_languages;  // the engine's
};

}  // namespace moxilane
