#include "platform/posix/DesktopEntry.h"

#include <QFileInfo>

#include <algorithm>

namespace moxilane {

namespace {

// The escapes every string value may hold; anything else after a backslash stays as it is.
QString unescapeString(const QString& raw) {
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            default:
                out += QLatin1Char('\\') + next;
        }
    }
    return out;
}

// Exec's words: an argument in double quotes takes \", \`, \$ and \\ as the character.
QStringList execWords(const QString& exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    for (QString& w : words)
        w.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return words;
}

bool isEnvOptionWithArgument(const QString& word) {
    static const QStringList options{"-u", "--unset", "-C", "--chdir", "-S", "--split-string"};
    return options.contains(word);
}

}  // namespace

DesktopEntry DesktopEntry::parse(const QByteArray& bytes) {
    DesktopEntry entry;
    entry.m_endsWithNewline = bytes.isEmpty() || bytes.endsWith('\n');
    QList<QByteArray> lines = bytes.split('\n');
    if (entry.m_endsWithNewline && !lines.isEmpty()) lines.removeLast();
    bool inMain = false;
    for (const QByteArray& raw : lines) {
        Line line{raw, false, {}};
        const QString text = QString::fromUtf8(raw).trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            inMain = text == QLatin1String("[Desktop Entry]");
            ++entry.m_groups;
        } else if (inMain && !text.startsWith(QLatin1Char('#'))) {
            const qsizetype equals = text.indexOf(QLatin1Char('='));
            if (equals > 0) line.key = text.left(equals).trimmed();
            line.inMainGroup = true;
        } else {
            line.inMainGroup = inMain;
        }
        entry.m_lines.push_back(line);
    }
    return entry;
}

QByteArray DesktopEntry::bytes() const {
    QByteArray out;
    for (const Line& line : m_lines)
        out += line.raw + '\n';
    if (!m_endsWithNewline && !out.isEmpty()) out.chop(1);
    return out;
}

std::optional<QString> DesktopEntry::value(const QString& key) const {
    for (const Line& line : m_lines) {
        if (line.key != key) continue;
        const QString text = QString::fromUtf8(line.raw);
        return text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return std::nullopt;
}

QStringList DesktopEntry::keys() const {
    QStringList keys;
    for (const Line& line : m_lines)
        if (!line.key.isEmpty()) keys << line.key;
    return keys;
}

bool DesktopEntry::replaceValue(const QString& key, const QString& value) {
    auto found = std::find_if(m_lines.begin(), m_lines.end(),
                              [&](const Line& line) { return line.key == key; });
    if (found == m_lines.end()) return false;
    found->raw = (key + QLatin1Char('=') + value).toUtf8();
    return true;
}

std::expected<QString, QString> execValue(const QString& programPath) {
    for (const QChar c : programPath) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        if (control && c != QLatin1Char('\n') && c != QLatin1Char('\t') && c != QLatin1Char('\r')) {
            return std::unexpected(
                QStringLiteral("The program’s path holds a control character (0x%1), which an "
                               "autostart entry cannot carry.")
                    .arg(c.unicode(), 2, 16, QLatin1Char('0')));
        }
    }
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    QString escaped = programPath;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::none_of(escaped.begin(), escaped.end(), [](QChar c) { return reserved.contains(c); }))
        return escaped;
    QString quoted;
    for (const QChar c : escaped) {
        if (QStringLiteral("\"`$\\").contains(c)) quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The string-level escapes apply on top of the quoting: one more round of backslashes,
    // and line breaks and tabs as escapes, so that nothing starts a new line.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    quoted.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    quoted.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString execProgram(const QString& exec) {
    const QStringList words = execWords(unescapeString(exec));
    qsizetype i = 0;
    if (!words.isEmpty() && QFileInfo(words[0]).fileName() == QLatin1String("env")) {
        for (i = 1; i < words.size(); ++i) {
            const QString& word = words[i];
            if (word == QLatin1String("--")) {
                ++i;
                break;
            }
            if (isEnvOptionWithArgument(word)) {
                ++i;
            } else if (!word.startsWith(QLatin1Char('-')) && !word.contains(QLatin1Char('='))) {
                break;
            }
        }
    }
    return words.value(i);
}

}  // namespace moxilane
