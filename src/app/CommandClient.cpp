#include "app/CommandClient.h"

#include "platform/posix/CommandChannel.h"
#include "platform/posix/RuntimeFolder.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace moxilane {

namespace {

using namespace std::chrono_literals;

// A started agent grabs its keys and builds its menu before it listens.
constexpr auto kAgentStartDeadline = 15s;
constexpr auto kReplyDeadline = 5s;

// The agent in a session of its own, so it outlives this command and its terminal.
std::optional<pid_t> spawnAgent(QTextStream& err) {
    char program[] = "/proc/self/exe";
    char name[] = "moxilane";
    char* argv[] = {name, nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        err << "moxilane: cannot start the agent: " << QString::fromLocal8Bit(strerror(error))
            << "\n";
        return std::nullopt;
    }
    return pid;
}

int reportReply(const QByteArray& reply, QTextStream& err) {
    // "finished": the command ended the scrolling capture that was running.
    if (reply == "started" || reply == "finished") return 0;
    if (reply == "busy") {
        err << "moxilane: another capture is in progress; this one was not started\n";
    } else if (reply == "refused") {
        err << "moxilane: the agent on this display belongs to another user\n";
    } else {
        err << "moxilane: the agent answered: " << QString::fromUtf8(reply) << "\n";
    }
    return 1;
}

}  // namespace

int runCaptureCommand(CaptureCommand command, QTextStream& err) {
    const QString display = sessionDisplay();
    if (display.isEmpty()) {
        err << "moxilane: no display (neither WAYLAND_DISPLAY nor DISPLAY is set)\n";
        return 1;
    }
    const auto folder = userRuntimeFolder();
    if (!folder) {
        err << "moxilane: " << folder.error() << "\n";
        return 1;
    }
    const QString socketPath = agentAddress(*folder, display).socketPath;
    const QByteArray request = commandName(command);

    auto reply = sendCommand(socketPath, request, kReplyDeadline);
    if (reply) return reportReply(*reply, err);
    if (!reply.error().noAgent) {
        err << "moxilane: cannot reach the agent: " << reply.error().text << "\n";
        return 1;
    }

    const std::optional<pid_t> spawned = spawnAgent(err);
    if (!spawned) return 1;
    bool agentExited = false;
    const auto deadline = std::chrono::steady_clock::now() + kAgentStartDeadline;
    while (std::chrono::steady_clock::now() < deadline) {
        reply = sendCommand(socketPath, request, kReplyDeadline);
        if (reply) return reportReply(*reply, err);
        if (!reply.error().noAgent) break;
        int status = 0;
        // Status 0: another agent won the start (started at the same moment); wait for it.
        if (!agentExited && waitpid(*spawned, &status, WNOHANG) == *spawned) {
            agentExited = true;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                err << "moxilane: the agent could not start\n";
                return 1;
            }
        }
        std::this_thread::sleep_for(50ms);
    }
    err << "moxilane: the agent did not answer: " << reply.error().text << "\n";
    return 1;
}

}  // namespace moxilane
