#pragma once

#include <QImage>
#include <QString>

#include <atomic>
#include <expected>

namespace moxilane {

struct TextReadError {
    enum class Kind { TooLarge, MissingData, EngineFailed, Cancelled };
    Kind kind;
    QString message;  // the alert's text
};

// Reads the codes and the text in a picture. Worker thread only: one read at a time.
class TextReader {
public:
    virtual ~TextReader() = default;
    // languageSetting: the user's textLanguages ("eng+deu"), empty for the locale's choice.
    // Empty text: nothing was found. A read stops soon after cancel is set.
    [[nodiscard]] virtual std::expected<QString, TextReadError> read(
        const QImage& image, const QString& languageSetting, const std::atomic<bool>& cancel) = 0;
    // Frees the engine; the next read loads it again.
    virtual void release() = 0;
};

}  // namespace moxilane
