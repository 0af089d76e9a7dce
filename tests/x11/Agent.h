#pragma once

#include "XSession.h"

#include "platform/posix/RuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSettings>

namespace moxilane::test {

// The real moxilane program running on a test session, with its settings in the
// session's home and a save folder there. The first-launch offer is taken as answered
// unless configure removes didAskLaunchAtLogin: it is a modal alert.
struct Agent {
    XSession& session;
    QString saveFolder = session.home() + "/Shots";
    QString errorFile = session.home() + "/agent-stderr.txt";
    QProcess* process = nullptr;

    explicit Agent(XSession& s, const QProcessEnvironment& extra = {},
                   std::function<void(QSettings&)> configure = {})
        : session(s) {
        writeSettings(session, configure);
        QProcessEnvironment env = session.environment();
        for (const QString& key : extra.keys())
            env.insert(key, extra.value(key));
        process = &session.start(binary(), {}, env, errorFile);
    }

    // Benchmarks compare two builds by naming the other program in MOXILANE_AGENT.
    static QString binary() {
        return qEnvironmentVariable("MOXILANE_AGENT", QStringLiteral(MOXILANE_BINARY));
    }

    // Settings with a save folder <home>/Shots and the first-launch offer answered.
    static void writeSettings(XSession& session, std::function<void(QSettings&)> configure = {}) {
        QDir().mkpath(session.home() + "/Shots");
        QSettings settings(session.home() + "/config/Moxilane/Moxilane.conf", QSettings::IniFormat);
        settings.setValue("saveFolderBookmark", session.home() + "/Shots");
        settings.setValue("didAskLaunchAtLogin", true);
        if (configure) configure(settings);
    }

    // The environment that makes Qt's scale two.
    static QProcessEnvironment scaleTwo() {
        QProcessEnvironment env;
        env.insert("QT_SCALE_FACTOR", "2");
        return env;
    }

    // The agent listens for commands once its keys are grabbed and its menu is built.
    bool waitUntilReady() { return waitUntilListening(session); }

    static moxilane::AgentAddress address(const XSession& session) {
        return moxilane::agentAddress(session.home() + "/run", session.display());
    }
    static bool waitUntilListening(const XSession& session) {
        return waitUntil([&] {
            QLocalSocket socket;
            socket.connectToServer(address(session).socketPath);
            return socket.waitForConnected(100);
        });
    }
    // The process that holds the display's instance lock, as it wrote itself down.
    static qint64 lockHolder(const XSession& session) {
        QFile file(address(session).lockPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }

    // The PNG image on the clipboard, once there is one.
    std::optional<QByteArray> clipboardPng() {
        std::optional<QByteArray> png;
        waitUntil([&] {
            const auto targets =
                session.run("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
            if (!targets || !targets->contains("image/png")) return false;
            png = session.run("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
            return png.has_value();
        });
        return png;
    }

    QString standardError() const {
        QFile file(errorFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QStringList savedFiles() const { return QDir(saveFolder).entryList(QDir::Files, QDir::Name); }
    // The path of the saved file at index i by name; a negative i counts from the end.
    QString saved(qsizetype i = 0) const {
        const QStringList files = savedFiles();
        return saveFolder + "/" + files.value(i < 0 ? files.size() + i : i);
    }
    bool waitForFiles(int count) {
        return waitUntil([&] { return savedFiles().size() >= count; });
    }
};

}  // namespace moxilane::test
