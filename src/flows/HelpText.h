#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace moxilane {

// A term and what it means: a command, an option or an exit status.
struct HelpRow {
    QString term;
    QString text;
};

// Rows under one heading; the manual page makes the heading a section of its own.
struct HelpSection {
    QString heading;  // "Exit status"
    QString intro;    // what --help says before the rows, in place of the heading
    std::vector<HelpRow> rows;
};

// What a --help says, as data. The plain text here and the manual page (ManualPage.h)
// both render it, so the two cannot disagree.
struct HelpPage {
    QStringList usage;       // synopsis lines, without "usage: "
    QStringList paragraphs;  // what the program does, before the sections
    std::vector<HelpSection> sections;
};

inline constexpr int kHelpColumns = 79;

QString renderUsage(const QStringList& usage);  // "usage: " and the lines, aligned
QString renderHelpText(const HelpPage& page);   // wrapped to kHelpColumns

// The words of text in lines of at most `columns` characters; a longer word gets a line
// of its own.
QStringList wrapWords(const QString& text, int columns);

}  // namespace moxilane
