#include "flows/HelpText.h"

#include <algorithm>

namespace moxilane {

namespace {

constexpr int kRowIndent = 2;
constexpr int kTermGap = 2;

QString renderRows(const std::vector<HelpRow>& rows) {
    qsizetype termWidth = 0;
    for (const HelpRow& row : rows)
        termWidth = std::max(termWidth, row.term.size());
    const int textColumn = kRowIndent + static_cast<int>(termWidth) + kTermGap;
    QString text;
    for (const HelpRow& row : rows) {
        const QString head =
            QString(kRowIndent, QLatin1Char(' ')) + row.term.leftJustified(termWidth + kTermGap);
        const QStringList lines = wrapWords(row.text, kHelpColumns - textColumn);
        for (qsizetype i = 0; i < lines.size(); ++i)
            text += (i == 0 ? head : QString(textColumn, QLatin1Char(' '))) + lines[i] + '\n';
    }
    return text;
}

}  // namespace

QStringList wrapWords(const QString& text, int columns) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > columns) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

QString renderUsage(const QStringList& usage) {
    QString text;
    for (qsizetype i = 0; i < usage.size(); ++i)
        text += (i == 0 ? QStringLiteral("usage: ") : QStringLiteral("       ")) + usage[i] + '\n';
    return text;
}

QString renderHelpText(const HelpPage& page) {
    QString text = renderUsage(page.usage);
    for (const QString& paragraph : page.paragraphs)
        text += '\n' + wrapWords(paragraph, kHelpColumns).join('\n') + '\n';
    for (const HelpSection& section : page.sections) {
        const QString intro = section.intro.isEmpty() ? section.heading + ':' : section.intro;
        text += '\n' + wrapWords(intro, kHelpColumns).join('\n') + '\n';
        text += renderRows(section.rows);
    }
    return text;
}

}  // namespace moxilane
