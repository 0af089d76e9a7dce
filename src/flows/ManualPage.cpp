#include "flows/ManualPage.h"

#include <set>

namespace moxilane {

namespace {

const QString kMarker = QStringLiteral(".\\\" generated: ");

QString roffRows(const std::vector<HelpRow>& rows) {
    QString roff;
    for (const HelpRow& row : rows)
        roff +=
            QStringLiteral(".TP\n\\fB%1\\fR\n%2\n").arg(roffEscape(row.term), roffEscape(row.text));
    return roff;
}

}  // namespace

QString roffEscape(const QString& text) {
    QString roff;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            roff += QStringLiteral("\\e");
        else if (c == QLatin1Char('-'))
            roff += QStringLiteral("\\-");
        else if (c.unicode() > 0x7e)
            roff += QStringLiteral("\\[u%1]").arg(
                QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        else
            roff += c;
    }
    // A line that starts with a dot or an apostrophe would be read as a request.
    if (roff.startsWith(QLatin1Char('.')) || roff.startsWith(QLatin1Char('\'')))
        roff.prepend(QStringLiteral("\\&"));
    return roff;
}

QString roffSynopsis(const QStringList& usage) {
    QString roff = QStringLiteral(".nf\n");
    for (const QString& line : usage)
        roff += roffEscape(line) + '\n';
    return roff + QStringLiteral(".fi\n");
}

QString roffHelpPage(const HelpPage& page, ManualLevel level) {
    QString roff;
    for (const QString& paragraph : page.paragraphs)
        roff += QStringLiteral(".PP\n") + roffEscape(paragraph) + '\n';
    for (const HelpSection& section : page.sections) {
        roff += level == ManualLevel::Top ? QStringLiteral(".SH ") + section.heading.toUpper()
                                          : QStringLiteral(".SS ") + section.heading;
        roff += '\n';
        if (!section.intro.isEmpty())
            roff += QStringLiteral(".PP\n") + roffEscape(section.intro) + '\n';
        roff += roffRows(section.rows);
    }
    return roff;
}

std::expected<QString, QString> fillManualTemplate(const QString& roffTemplate,
                                                   const std::map<QString, QString>& parts) {
    QString roff;
    std::set<QString> used;
    for (const QString& line : roffTemplate.split(QLatin1Char('\n'))) {
        if (!line.startsWith(kMarker)) {
            roff += line + '\n';
            continue;
        }
        const QString name = line.mid(kMarker.size()).trimmed();
        const auto part = parts.find(name);
        if (part == parts.end())
            return std::unexpected(
                QStringLiteral("the template asks for “%1”, which no part fills").arg(name));
        roff += part->second;
        used.insert(name);
    }
    for (const auto& [name, part] : parts)
        if (!used.contains(name))
            return std::unexpected(QStringLiteral("the template has no place for “%1”").arg(name));
    roff.chop(1);  // the split's last piece had no newline of its own
    return roff;
}

}  // namespace moxilane
