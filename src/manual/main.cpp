// Writes the manual page moxilane(1) at build time: the template's hand-written sections
// with the help of the command line and of `moxilane stitch` put in, rendered from the
// same data as --help, so the two cannot disagree.
// Usage: moxilane_manual TEMPLATE OUTPUT

#include "app/StitchCommand.h"
#include "flows/CommandLine.h"
#include "flows/ManualPage.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

int main(int argc, char** argv) {
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: moxilane_manual TEMPLATE OUTPUT\n";
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        err << "moxilane_manual: cannot read " << input.fileName() << ": " << input.errorString()
            << "\n";
        return 1;
    }
    using namespace moxilane;
    const HelpPage help = commandLineHelp();
    const auto page = fillManualTemplate(
        QString::fromUtf8(input.readAll()),
        {{QStringLiteral("synopsis"), roffSynopsis(help.usage)},
         {QStringLiteral("description"),
          roffHelpPage({.usage = {}, .paragraphs = help.paragraphs, .sections = {}},
                       ManualLevel::Top)},
         {QStringLiteral("sections"),
          roffHelpPage({.usage = {}, .paragraphs = {}, .sections = help.sections},
                       ManualLevel::Top)},
         {QStringLiteral("stitch"),
          roffSynopsis(stitchHelp().usage) + roffHelpPage(stitchHelp(), ManualLevel::Nested)}});
    if (!page) {
        err << "moxilane_manual: " << input.fileName() << ": " << page.error() << "\n";
        return 1;
    }
    QSaveFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly) || output.write(page->toUtf8()) < 0 ||
        !output.commit()) {
        err << "moxilane_manual: cannot write " << output.fileName() << ": " << output.errorString()
            << "\n";
        return 1;
    }
    return 0;
}
