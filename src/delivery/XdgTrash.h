#pragma once

#include <QString>
#include <QStringList>

namespace moxilane {

// The XDG trash: the home trash under $XDG_DATA_HOME and, on other volumes, the
// .Trash/$UID and .Trash-$UID folders at the volume's top. A trashed folder sits inside
// a trash's files/ folder.
class XdgTrash {
public:
    // homeTrash is usually $XDG_DATA_HOME/Trash; tests point it elsewhere.
    explicit XdgTrash(QString homeTrash = defaultHomeTrash());
    static QString defaultHomeTrash();

    // True when path lies inside a trash's files/ folder. A trash folder itself is not
    // "in the trash". Best effort: what cannot be examined counts as not trashed.
    bool contains(const QString& path) const;

private:
    QStringList trashesFor(const QString& canonicalPath) const;

    QString m_homeTrash;
};

}  // namespace moxilane
