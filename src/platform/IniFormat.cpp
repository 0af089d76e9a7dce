#include "platform/IniFormat.h"

#include <QUrl>

#include <algorithm>
#include <optional>

namespace moxilane {

namespace {

QString unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        switch (next.unicode()) {
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            default:
                out += next;  // \\, \", \; and the like stand for themselves
        }
    }
    return out;
}

// Nothing for a value that cannot be understood.
std::optional<QVariant> parseValue(QStringView text) {
    if (text.startsWith(QLatin1Char('"'))) {
        qsizetype end = 1;
        while (end < text.size() && text[end] != QLatin1Char('"'))
            end += text[end] == QLatin1Char('\\') ? 2 : 1;
        if (end >= text.size()) return std::nullopt;                         // unbalanced quote
        if (!text.mid(end + 1).trimmed().isEmpty()) return text.toString();  // a list: as written
        return unescape(text.mid(1, end - 1));
    }
    if (text.startsWith(QLatin1String("@ByteArray(")) && text.endsWith(QLatin1Char(')')))
        return unescape(text.mid(11, text.size() - 12)).toUtf8();
    if (text.startsWith(QLatin1String("@@"))) return unescape(text.mid(1));
    if (text.startsWith(QLatin1Char('@'))) return std::nullopt;  // a Qt type we do not keep
    return unescape(text);
}

QString decodeKey(QStringView key) {
    return QUrl::fromPercentEncoding(key.toUtf8()).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '"':
                out += QLatin1String("\\\"");
                break;
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            default:
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString formatValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        case QMetaType::QByteArray:
            return QStringLiteral("@ByteArray(%1)")
                .arg(quoted(QString::fromUtf8(value.toByteArray())).mid(1).chopped(1));
        default:
            break;
    }
    const QString text = value.toString();
    // Quotes keep what a plain value would lose: outer spaces, commas (a list to QSettings),
    // semicolons (a comment), escapes and a leading @ (a type).
    const QString special = QStringLiteral(",;\"\\\n\r\t=#");
    const bool needsQuotes =
        text != text.trimmed() || text.startsWith(QLatin1Char('@')) ||
        std::any_of(text.begin(), text.end(), [&](QChar c) { return special.contains(c); });
    return needsQuotes ? quoted(text) : text;
}

}  // namespace

IniDocument IniDocument::parse(const QByteArray& bytes) {
    IniDocument document;
    document.m_endsWithNewline = bytes.isEmpty() || bytes.endsWith('\n');
    QList<QByteArray> lines = bytes.split('\n');
    if (document.m_endsWithNewline) lines.removeLast();
    QString section;
    bool general = true;  // lines before any section header belong to General
    for (const QByteArray& raw : lines) {
        Line line{raw, {}, std::nullopt, general};
        const QString text = QString::fromUtf8(raw).trimmed();
        if (text.startsWith(QLatin1Char('[')) && !text.endsWith(QLatin1Char(']'))) {
            // Not a header: the section we are in goes on.
        } else if (text.startsWith(QLatin1Char('['))) {
            const QString name = decodeKey(QStringView(text).mid(1, text.size() - 2).trimmed());
            general = name.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
            section = general ? QString() : name + QLatin1Char('/');
            line.general = general;
        } else if (!text.isEmpty() && !text.startsWith(QLatin1Char(';')) &&
                   !text.startsWith(QLatin1Char('#'))) {
            // A line that cannot be read keeps no key; it is written back as it was.
            const qsizetype equals = text.indexOf(QLatin1Char('='));
            const QString key =
                equals > 0 ? decodeKey(QStringView(text).left(equals).trimmed()) : QString();
            if (!key.isEmpty() && !key.contains(QChar(0))) {
                line.value = parseValue(QStringView(text).mid(equals + 1).trimmed());
                if (line.value) line.key = section + key;
            }
        }
        document.m_lines.push_back(line);
    }
    return document;
}

QByteArray IniDocument::bytes() const {
    QByteArray out;
    for (const Line& line : m_lines)
        out += line.raw + '\n';
    if (!m_endsWithNewline && !out.isEmpty()) out.chop(1);
    return out;
}

// The last line of a key wins, as in QSettings.
std::optional<QVariant> IniDocument::value(const QString& key) const {
    for (auto line = m_lines.rbegin(); line != m_lines.rend(); ++line)
        if (line->key == key) return line->value;
    return std::nullopt;
}

void IniDocument::setValue(const QString& key, const QVariant& value) {
    Line replacement{(key + QLatin1Char('=') + formatValue(value)).toUtf8(), key, value, true};
    for (auto line = m_lines.rbegin(); line != m_lines.rend(); ++line) {
        if (line->key != key) continue;
        *line = replacement;
        return;
    }
    if (m_lines.empty()) m_lines.push_back({"[General]", {}, std::nullopt, true});
    // A new key joins the General section after its last line.
    auto last = std::find_if(m_lines.rbegin(), m_lines.rend(), [](const Line& line) {
        return line.general && !line.raw.trimmed().isEmpty();
    });
    m_lines.insert(last == m_lines.rend() ? m_lines.begin() : last.base(), replacement);
    m_endsWithNewline = true;
}

}  // namespace moxilane
