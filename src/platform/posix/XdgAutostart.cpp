#include "platform/posix/XdgAutostart.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxilane {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// The first word of an Exec value, with desktop-entry quoting undone.
QString execProgram(const QString& exec) {
    QString program;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('\\') && quoted && i + 1 < exec.size()) {
            program += exec[++i];
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (!program.isEmpty()) break;
        } else {
            program += c;
        }
    }
    return program;
}

bool sameProgram(const QString& a, const QString& b) {
    if (a == b) return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// Writes a temporary beside path, then renames it over path, so a half-written entry
// never starts anything.
std::expected<void, int> writeAtomically(const QString& path, const QByteArray& contents) {
    QByteArray temporary = (path + QStringLiteral(".XXXXXX")).toLocal8Bit();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    const bool written = write(fd, contents.constData(), contents.size()) == contents.size() &&
                         fchmod(fd, 0644) == 0;
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        unlink(temporary.constData());
        return std::unexpected(error);
    }
    if (rename(temporary.constData(), path.toLocal8Bit().constData()) != 0) {
        const int error = errno;
        unlink(temporary.constData());
        return std::unexpected(error);
    }
    return {};
}

}  // namespace

XdgAutostart::XdgAutostart(QString autostartFolder, QString programPath, Questions& questions)
    : m_folder(std::move(autostartFolder)),
      m_programPath(std::move(programPath)),
      m_questions(questions) {}

QString XdgAutostart::userAutostartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostart::entryPath() const {
    return m_folder + QStringLiteral("/moxilane.desktop");
}

QString XdgAutostart::execValue(const QString& programPath) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString escaped = programPath;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::none_of(escaped.begin(), escaped.end(), [](QChar c) { return reserved.contains(c); }))
        return escaped;
    QString quoted;
    for (QChar c : escaped) {
        if (QStringLiteral("\"`$\\").contains(c)) quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The entry's string level takes one more round of backslashes.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

LoginItemStatus XdgAutostart::status() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return LoginItemStatus::NotRegistered;
    bool inEntry = false;
    bool ours = false;
    bool switchedOff = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec")) {
            QString unescaped = value;
            unescaped.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            ours = sameProgram(execProgram(unescaped).replace(QStringLiteral("%%"), "%"),
                               m_programPath);
        } else if (key == QLatin1String("Hidden") && value == QLatin1String("true")) {
            switchedOff = true;
        } else if (key == QLatin1String("X-GNOME-Autostart-enabled") &&
                   value == QLatin1String("false")) {
            switchedOff = true;
        }
    }
    return ours && !switchedOff ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered;
}

std::expected<void, QString> XdgAutostart::registerItem() {
    std::error_code error;
    std::filesystem::create_directories(m_folder.toStdString(), error);
    if (error) {
        return std::unexpected(QStringLiteral("The autostart folder “%1” couldn’t be made: %2.")
                                   .arg(m_folder, QString::fromLocal8Bit(error.message())));
    }
    const QByteArray entry = QStringLiteral(
                                 "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Moxilane\n"
                                 "Comment=Screenshots from the system tray\n"
                                 "Exec=%1\n"
                                 "Icon=moxilane\n"
                                 "Terminal=false\n"
                                 "X-GNOME-Autostart-enabled=true\n")
                                 .arg(execValue(m_programPath))
                                 .toUtf8();
    if (auto written = writeAtomically(entryPath(), entry); !written) {
        return std::unexpected(QStringLiteral("The autostart entry “%1” couldn’t be written: %2.")
                                   .arg(entryPath(), systemError(written.error())));
    }
    return {};
}

std::expected<void, QString> XdgAutostart::unregisterItem() {
    if (unlink(entryPath().toLocal8Bit().constData()) != 0 && errno != ENOENT) {
        return std::unexpected(QStringLiteral("The autostart entry “%1” couldn’t be removed: %2.")
                                   .arg(entryPath(), systemError(errno)));
    }
    return {};
}

}  // namespace moxilane
