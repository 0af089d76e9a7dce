#include "app/CommandClient.h"
#include "flows/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <dlfcn.h>

namespace {

using AgentMain = int (*)(int, char**);

// The agent and stitch live in a private library: the capture commands, --help and --version
// start without loading Qt's GUI. It lies next to the program in the build tree and in the
// installation's private library folder, both found from the program's own file.
int runAgentLibrary(int argc, char** argv, QTextStream& err) {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString programFolder = QFileInfo(program).absolutePath();
    const QString installed =
        QDir::cleanPath(QStringLiteral("%1/%2/%3")
                            .arg(programFolder, QStringLiteral(MOXILANE_AGENT_FOLDER),
                                 QStringLiteral(MOXILANE_AGENT_FILE)));
    const QString beside = programFolder + QStringLiteral("/" MOXILANE_AGENT_FILE);
    // Named in the error when neither is there: the installed one is the one missing.
    const QString path = QFileInfo::exists(beside) ? beside : installed;
    void* library = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    const auto entry =
        library ? reinterpret_cast<AgentMain>(dlsym(library, "moxilane_agent_main")) : nullptr;
    if (!entry) {
        err << "moxilane: cannot load its library (reinstall Moxilane): "
            << QString::fromLocal8Bit(dlerror()) << "\n";
        return 1;
    }
    err.flush();
    return entry(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const moxilane::Invocation invocation = moxilane::parseCommandLine(argc, argv);
    using Kind = moxilane::Invocation::Kind;
    switch (invocation.kind) {
        case Kind::Help:
            out << moxilane::helpText();
            return 0;
        case Kind::Version:
            out << moxilane::kVersionText << "\n";
            return 0;
        case Kind::UsageError:
            err << "moxilane: " << invocation.problem << "\n" << moxilane::usageText();
            return 2;
        case Kind::Capture:
            return moxilane::runCaptureCommand(invocation.capture, out, err);
        case Kind::Stitch:
        case Kind::Agent:
            break;
    }
    return runAgentLibrary(argc, argv, err);
}
