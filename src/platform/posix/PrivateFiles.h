#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <expected>

namespace moxilane {

// Files the program hands to other programs (a screenshot to share), kept where no other
// user can read them or plant a link: folders of ours, 0700, owned by us and not links.
// The runtime folder comes first; it is a small tmpfs, so a file that does not fit goes to
// the cache folder instead.
class PrivateFiles {
public:
    PrivateFiles(QString runtimeFolder, QString cacheFolder);
    // $XDG_RUNTIME_DIR/moxilane (or /tmp/moxilane-<uid>, the command socket's folder, when
    // it is unset) and $XDG_CACHE_HOME/moxilane/share.
    static PrivateFiles forUser();

    // A new file "<stem>XXXXXX<suffix>" with an unpredictable middle, mode 0600, created
    // exclusively and never through a link, holding all of contents; its path. The error
    // says what failed and why.
    [[nodiscard]] std::expected<QString, QString> create(const QString& stem, const QString& suffix,
                                                         const QByteArray& contents) const;

    // Removes our files last changed longer ago than maxAge. At start-up only: the program
    // a file was handed to may read it long after.
    void removeOlderThan(std::chrono::seconds maxAge) const;

    static constexpr std::chrono::hours kKeepFor{24};

private:
    QString m_runtimeFolder;
    QString m_cacheFolder;
};

}  // namespace moxilane
