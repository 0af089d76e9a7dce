#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>
#include <vector>

namespace moxilane {

// A desktop entry file kept as its lines, so that a change rewrites only the lines it
// must and leaves the rest byte for byte. Keys are those of the [Desktop Entry] group.
class DesktopEntry {
public:
    static DesktopEntry parse(const QByteArray& bytes);
    QByteArray bytes() const;

    // The raw value of the key's first line, trimmed; nothing when the key is absent.
    std::optional<QString> value(const QString& key) const;
    QStringList keys() const;
    int groupCount() const { return m_groups; }
    // Rewrites the key's first line; false when there is none.
    bool replaceValue(const QString& key, const QString& value);

private:
    struct Line {
        QByteArray raw;  // without its newline
        bool inMainGroup = false;
        QString key;  // empty for comments, group headers and blank lines
    };
    std::vector<Line> m_lines;
    bool m_endsWithNewline = true;
    int m_groups = 0;
};

// The Exec value that starts programPath with no arguments, quoted and escaped as desktop
// entries require; an error for a path with a control character no entry can carry.
[[nodiscard]] std::expected<QString, QString> execValue(const QString& programPath);

// The program an Exec value starts, quoting and escapes undone, past an `env` with its
// options and VAR=value assignments. Possibly a bare name, to be found through PATH.
QString execProgram(const QString& exec);

}  // namespace moxilane
