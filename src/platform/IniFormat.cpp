#include "platform/IniFormat.h"

#include <QIODevice>
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

bool readIni(QIODevice& device, QSettings::SettingsMap& map) {
    const QString text = QString::fromUtf8(device.readAll());
    QString section;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) continue;  // keep the section we are in
            const QString name = decodeKey(line.mid(1, line.size() - 2).trimmed());
            section = name.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0
                          ? QString()
                          : name + QLatin1Char('/');
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        const QString key = decodeKey(line.left(equals).trimmed());
        if (key.isEmpty() || key.contains(QChar(0))) continue;
        if (auto value = parseValue(line.mid(equals + 1).trimmed()))
            map.insert(section + key, *value);
    }
    return true;  // what could be read counts; the rest is as if absent
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

bool writeIni(QIODevice& device, const QSettings::SettingsMap& map) {
    QString text;
    QString section = QStringLiteral("\x01");  // none written yet
    for (auto it = map.begin(); it != map.end(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        const QString group = slash < 0 ? QStringLiteral("General") : it.key().left(slash);
        if (group != section) {
            text += (section.startsWith(QChar(1)) ? QString() : QStringLiteral("\n")) +
                    QLatin1Char('[') + group + QStringLiteral("]\n");
            section = group;
        }
        text += it.key().mid(slash + 1) + QLatin1Char('=') + formatValue(it.value()) +
                QLatin1Char('\n');
    }
    const QByteArray bytes = text.toUtf8();
    return device.write(bytes) == bytes.size();
}

}  // namespace

QSettings::Format tolerantIniFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), readIni, writeIni);
    return format;
}

}  // namespace moxilane
