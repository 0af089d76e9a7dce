#include "text/TextAssembly.h"

#include <QStringDecoder>

namespace moxilane {

namespace {

bool isPrintable(const QString& text) {
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\t') continue;
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter) return false;
    }
    return true;
}

QString escaped(const QByteArray& bytes) {
    QString line;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x20 && value < 0x7f && value != '\\')
            line += QLatin1Char(byte);
        else
            line += QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
    }
    return line;
}

}  // namespace

QString codeLine(const QByteArray& bytes, const std::optional<QString>& decoded) {
    if (decoded && !decoded->isEmpty() && isPrintable(*decoded)) return *decoded;
    if (!decoded) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError() && isPrintable(text)) return text;
    }
    return escaped(bytes);
}

QString assembleText(const QStringList& codes, const QString& recognised) {
    QStringList lines;
    for (const QString& code : codes)
        if (!code.isEmpty() && !lines.contains(code)) lines << code;
    int emptyRun = 0;
    QStringList textLines;
    for (QString line : recognised.split(u'\n')) {
        // Tesseract ends a page with a form feed and pads lines with blanks.
        line.remove(u'\f');
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        emptyRun = line.isEmpty() ? emptyRun + 1 : 0;
        if (emptyRun > 1 || (line.isEmpty() && textLines.isEmpty())) continue;
        textLines << line;
    }
    while (!textLines.isEmpty() && textLines.back().isEmpty())
        textLines.removeLast();
    if (!textLines.isEmpty() && !lines.isEmpty()) lines << QString();
    return (lines + textLines).join(u'\n');
}

}  // namespace moxilane
