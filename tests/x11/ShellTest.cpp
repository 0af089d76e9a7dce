#include "Agent.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <signal.h>

using namespace moxilane::test;

namespace {

struct Result {
    int exitCode = -1;
    QByteArray standardError;
};

// Runs moxilane with these arguments on the session and waits for it to end. Standard
// error goes to a file: an agent it starts keeps writing there after it has gone.
Result runMoxilane(XSession& session, const QStringList& arguments, QProcessEnvironment env = {}) {
    if (env.isEmpty()) env = session.environment();
    const QString errors = session.home() + "/command.err";
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(errors);
    process.start(MOXILANE_BINARY, arguments);
    if (!process.waitForFinished(20000)) process.kill();
    QFile file(errors);
    file.open(QIODevice::ReadOnly);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, file.readAll()};
}

// An agent this test did not start itself (a command line started it): stopped at the end.
struct StrayAgent {
    qint64 pid = 0;
    ~StrayAgent() {
        if (pid > 0) kill(pid_t(pid), SIGTERM);
    }
};

QString readSetting(XSession& session, const QString& key) {
    return QSettings(session.home() + "/config/Moxilane/Moxilane.conf", QSettings::IniFormat)
        .value(key)
        .toString();
}

// Agents (moxilane without arguments) of this build running on the session's display.
int agentsOn(const XSession& session) {
    int count = 0;
    const QString binary = QFileInfo(MOXILANE_BINARY).canonicalFilePath();
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (QFileInfo("/proc/" + pid + "/exe").canonicalFilePath() != binary) continue;
        QFile commandLine("/proc/" + pid + "/cmdline");
        QFile environment("/proc/" + pid + "/environ");
        if (!commandLine.open(QIODevice::ReadOnly) || !environment.open(QIODevice::ReadOnly))
            continue;
        const bool agent = commandLine.readAll().split('\0').count() <= 2;
        const QByteArray display = "DISPLAY=" + session.display().toUtf8();
        if (agent && environment.readAll().split('\0').contains(display)) ++count;
    }
    return count;
}

QStringList visibleWindows(XSession& session) {
    const auto out = session.run("xdotool", {"search", "--onlyvisible", "--classname", "moxilane"});
    return out ? QString::fromLatin1(*out).split('\n', Qt::SkipEmptyParts) : QStringList{};
}

}  // namespace

TEST(Shell, TrayMenuItemSevenTurnsClipboardOnlyOnAndTheNextCaptureWritesNoFile) {
    XSession session({1024, 768});
    ASSERT_TRUE(session.isReady());
    session.start("tint2", {}, session.environment());
    ASSERT_TRUE(waitUntil([&] { return session.hasSelectionOwner("_NET_SYSTEM_TRAY_S0"); }));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());
    ASSERT_TRUE(waitUntil([&] { return visibleWindows(session).size() == 1; }));  // the icon
    const QString icon = visibleWindows(session).front();

    ASSERT_TRUE(session.run("xdotool", {"mousemove", "--window", icon, "4", "4", "click", "1"}));
    ASSERT_TRUE(waitUntil([&] { return visibleWindows(session).size() == 2; }));  // the menu
    for (int i = 0; i < 7; ++i)  // after the six capture items
        ASSERT_TRUE(session.run("xdotool", {"key", "Down"}));
    ASSERT_TRUE(session.run("xdotool", {"key", "Return"}));
    ASSERT_TRUE(waitUntil([&] { return readSetting(session, "copyToClipboard") == "true"; }));

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    const auto png = agent.clipboardPng();
    ASSERT_TRUE(png);
    EXPECT_EQ(QImage::fromData(*png).size(), QSize(1024, 768));
    EXPECT_TRUE(agent.savedFiles().isEmpty());
}

TEST(Shell, CaptureCommandReachesTheRunningAgentOrStartsOne) {
    XSession session({800, 600});
    ASSERT_TRUE(session.isReady());
    {
        Agent agent(session);
        ASSERT_TRUE(agent.waitUntilReady());
        const Result screen = runMoxilane(session, {"screen"});
        EXPECT_EQ(screen.exitCode, 0) << screen.standardError.toStdString();
        EXPECT_TRUE(agent.waitForFiles(1));
        // Still the one agent: a plain start finds it and is not an error.
        const Result second = runMoxilane(session, {});
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_TRUE(second.standardError.contains("already running on this display"));
        EXPECT_EQ(Agent::lockHolder(session), agent.process->processId());
        agent.process->kill();  // as a crash would: the socket file stays behind
        agent.process->waitForFinished();
    }

    const QString folder = session.home() + "/Shots";
    const int before = int(QDir(folder).entryList(QDir::Files).size());
    const Result started = runMoxilane(session, {"screen"});
    StrayAgent stray{Agent::lockHolder(session)};
    EXPECT_EQ(started.exitCode, 0) << started.standardError.toStdString();
    EXPECT_GT(stray.pid, 0);
    EXPECT_TRUE(waitUntil([&] { return QDir(folder).entryList(QDir::Files).size() > before; }));
    EXPECT_EQ(kill(pid_t(stray.pid), 0), 0);  // the agent it started runs on
}

// Each command starts an agent of its own at the same moment: one of them must give way.
TEST(Shell, TwoCommandsAtOnceWithNoAgentLeaveExactlyOneAgentAndNeitherFails) {
    XSession session({640, 480});
    ASSERT_TRUE(session.isReady());
    Agent::writeSettings(session);
    QProcess commands[2];
    for (int i : {0, 1}) {
        commands[i].setProcessEnvironment(session.environment());
        commands[i].setStandardErrorFile(session.home() + QStringLiteral("/%1.err").arg(i));
        commands[i].start(MOXILANE_BINARY, {"screen"});
    }
    for (QProcess& p : commands)
        ASSERT_TRUE(p.waitForFinished(20000));
    StrayAgent stray{Agent::lockHolder(session)};
    // Each was taken, or dropped because the other's capture was running: said so, status 1.
    for (int i : {0, 1}) {
        QFile errors(session.home() + QStringLiteral("/%1.err").arg(i));
        errors.open(QIODevice::ReadOnly);
        const QByteArray said = errors.readAll();
        EXPECT_TRUE(commands[i].exitCode() == 0 || said.contains("another capture is in progress"))
            << said.toStdString();
    }
    EXPECT_TRUE(waitUntil([&] { return agentsOn(session) == 1; })) << agentsOn(session);
    EXPECT_TRUE(waitUntil([&] { return !QDir(session.home() + "/Shots").isEmpty(); }));
}

TEST(Shell, FirstLaunchOffersLaunchAtLoginAndTheDefaultAnswerWritesTheEntry) {
    XSession session({800, 600});
    ASSERT_TRUE(session.isReady());
    Agent agent(session, {}, [](QSettings& s) { s.remove("didAskLaunchAtLogin"); });
    ASSERT_TRUE(agent.waitUntilReady());
    // Titled with the program's name, wide enough that the question reads as lines.
    ASSERT_TRUE(waitUntil([&] { return !session.findWindow("^Moxilane$").isEmpty(); }));
    const auto geometry =
        session.run("xdotool", {"getwindowgeometry", "--shell", session.findWindow("^Moxilane$")});
    const QStringList lines = QString::fromUtf8(geometry.value_or("")).split('\n');
    EXPECT_GE(lines.filter("WIDTH=").value(0).mid(6).toInt(), 400);
    EXPECT_EQ(readSetting(session, "didAskLaunchAtLogin"), "true");
    ASSERT_TRUE(session.run("xdotool", {"key", "Return"}));  // the default: Launch at Login
    const QString entry = session.home() + "/config/autostart/io.github.moxilane.Moxilane.desktop";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(entry); }));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.contains(
        "\nExec=" + QFileInfo(MOXILANE_BINARY).canonicalFilePath().toUtf8() + "\n"));
    EXPECT_TRUE(written.endsWith("\nX-Moxilane-Managed=true\n")) << written.toStdString();
}

TEST(Shell, WithoutATrayItSaysSoOnceAndDocksWhenOneAppears) {
    XSession session({1024, 768});
    ASSERT_TRUE(session.isReady());
    Agent::writeSettings(session, [](QSettings& s) { s.remove("saveFolderBookmark"); });
    QProcess agent;
    agent.setProcessEnvironment(session.environment());
    agent.start(MOXILANE_BINARY, {});
    ASSERT_TRUE(Agent::waitUntilListening(session));
    EXPECT_EQ(runMoxilane(session, {"screen"}).exitCode, 0);
    session.start("tint2", {}, session.environment());
    // The icon window is reparented into the tray when one appears, and shown there.
    EXPECT_TRUE(waitUntil([&] { return !visibleWindows(session).isEmpty(); }));
    agent.terminate();
    ASSERT_TRUE(agent.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(agent.readAllStandardError()).count("no system tray found"), 1);
}

TEST(Shell, NoDisplayIsOneLineAndStatusOneHelpAndVersionNeedNone) {
    XSession session({320, 240});
    ASSERT_TRUE(session.isReady());
    QProcessEnvironment env = session.environment();
    env.remove("DISPLAY");
    const Result version = runMoxilane(session, {"--version"}, env);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(runMoxilane(session, {"--help"}, env).exitCode, 0);

    const Result unset = runMoxilane(session, {}, env);
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_EQ(unset.standardError, "moxilane: no X11 display (DISPLAY is not set)\n");
    env.insert("DISPLAY", ":64999");
    const Result unreachable = runMoxilane(session, {}, env);
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_EQ(unreachable.standardError, "moxilane: cannot open X11 display :64999\n");

    const Result unknown = runMoxilane(session, {"--frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(
        unknown.standardError.startsWith("moxilane: unknown command “--frobnicate”\nusage:"));
}
