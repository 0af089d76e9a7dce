#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace moxilane {

// The settings file's INI text, kept as its lines: a rewrite changes only the lines of the
// keys it sets, so keys of others, comments and lines that cannot be read stay byte for
// byte. Read tolerantly: a line that cannot be understood (an unbalanced quote, a stray
// word, binary garbage) loses its own key and no other. Values are written as QSettings'
// INI reader reads them. Keys of other sections are "section/key".
class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    QByteArray bytes() const;

    std::optional<QVariant> value(const QString& key) const;
    // A key of the General section: its line is replaced in place, or one is added.
    void setValue(const QString& key, const QVariant& value);

private:
    struct Line {
        QByteArray raw;  // without its newline
        QString key;     // empty for anything that is not a readable key
        std::optional<QVariant> value;
        bool general = true;  // in the General section
    };
    std::vector<Line> m_lines;
    bool m_endsWithNewline = true;
};

}  // namespace moxilane
