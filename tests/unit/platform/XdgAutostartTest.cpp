#include "platform/posix/XdgAutostart.h"

#include "fakes/FakeLoginItem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

const QString kProgram = "/opt/moxilane/bin/moxilane";

void writeEntry(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

TEST(XdgAutostart, OnOnlyWhenTheEntryStartsThisProgramAndIsNotSwitchedOff) {
    struct Row {
        const char* name;
        QByteArray entry;  // empty: no file
        LoginItemStatus expected;
    };
    using S = LoginItemStatus;
    const Row rows[] = {
        {"no entry", {}, S::NotRegistered},
        {"ours", "[Desktop Entry]\nType=Application\nExec=/opt/moxilane/bin/moxilane\n",
         S::Enabled},
        {"ours, quoted", "[Desktop Entry]\nExec=\"/opt/moxilane/bin/moxilane\"\n", S::Enabled},
        {"another program", "[Desktop Entry]\nExec=/usr/bin/moxilane\n", S::NotRegistered},
        {"hidden", "[Desktop Entry]\nExec=/opt/moxilane/bin/moxilane\nHidden=true\n",
         S::NotRegistered},
        {"switched off in GNOME",
         "[Desktop Entry]\nExec=/opt/moxilane/bin/moxilane\nX-GNOME-Autostart-enabled=false\n",
         S::NotRegistered},
        {"Exec in an action only",
         "[Desktop Entry]\nExec=/bin/true\n[Desktop Action a]\nExec=/opt/moxilane/bin/moxilane\n",
         S::NotRegistered},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir config;
        test::FakeQuestions questions;
        XdgAutostart item(config.filePath("autostart"), kProgram, questions);
        if (!row.entry.isEmpty()) writeEntry(item.entryPath(), row.entry);
        EXPECT_EQ(item.status(), row.expected);
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// Paths a shell or the entry's own escapes would misread, written and read back; the entry
// must pass desktop-file-validate. Other control characters cannot be written at all.
TEST(XdgAutostart, ExecIsQuotedAndEscapedAsDesktopEntriesRequire) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    const QString paths[] = {"/opt/my tools/moxilane", "/opt/\"q\" 's'/$HOME `id`/100%/a\\b",
                             "/opt/x\nHidden=true\n[Desktop Entry]/moxilane", "/opt/tab\there"};
    for (const QString& program : paths) {
        SCOPED_TRACE(program.toStdString());
        QTemporaryDir config;
        test::FakeQuestions questions;
        XdgAutostart item(config.filePath("autostart"), program, questions);
        ASSERT_TRUE(item.registerItem());
        EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
        const QByteArray entry = readAll(item.entryPath());
        EXPECT_EQ(entry.count('\n'), 9) << entry.toStdString();  // no injected lines
        EXPECT_FALSE(entry.contains("\nHidden=")) << entry.toStdString();
        EXPECT_TRUE(XdgAutostart(config.filePath("autostart"), "/opt/other", questions).status() ==
                    LoginItemStatus::NotRegistered);
        if (validator.isEmpty()) continue;
        QProcess validate;
        validate.start(validator, {item.entryPath()});
        ASSERT_TRUE(validate.waitForFinished());
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    }
    QTemporaryDir config;
    test::FakeQuestions questions;
    XdgAutostart item(config.filePath("autostart"), "/opt/bell\a/moxilane", questions);
    const auto refused = item.registerItem();
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().contains("control character")) << refused.error().toStdString();
    EXPECT_FALSE(QFile::exists(item.entryPath()));
}

// What the program finds in the autostart folder, and what enabling and disabling do to
// it: an entry another hand wrote is never overwritten, and removing it asks first.
TEST(XdgAutostart, EntryShapesDecideStatusAndWhatEnablingAndDisablingDo) {
    const QByteArray legacy =
        "[Desktop Entry]\nType=Application\nName=Moxilane\nComment=Screenshots from the system "
        "tray\nExec=PROG\nIcon=moxilane\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    const QString kNew = "io.github.moxilane.Moxilane.desktop";
    struct Row {
        const char* name;
        QString file;      // empty: no entry
        QByteArray entry;  // PROG stands for the program's path
        LoginItemStatus status;
        QByteArray enabled;  // the file after enabling; "" unchanged, "(none)" gone
        const char* asked;   // the question when disabling, or nothing
    };
    using S = LoginItemStatus;
    const Row rows[] = {
        {"none", {}, {}, S::NotRegistered, "", nullptr},
        {"ours", kNew, "[Desktop Entry]\nExec=PROG\nX-Moxilane-Managed=true\n", S::Enabled, "",
         nullptr},
        {"bare name through PATH", "moxilane.desktop",
         "[Desktop Entry]\nName=Shots\nExec=moxilane --flag\n", S::Enabled, "",
         "Remove the login entry “Shots”?"},
        {"env wrapper", "wrap.desktop",
         "[Desktop Entry]\nExec=env -u DISPLAY QT_SCALE_FACTOR=2 \"PROG\"\n", S::Enabled, "",
         "Remove the login entry “wrap.desktop”?"},
        {"the user's, switched off", "mine.desktop",
         "[Desktop Entry]\n# mine\nName=Mine\nExec=PROG  --x\nHidden=true\n"
         "X-GNOME-Autostart-enabled=false\nX-Other = 1\n",
         S::NotRegistered,
         "[Desktop Entry]\n# mine\nName=Mine\nExec=PROG  --x\nHidden=false\n"
         "X-GNOME-Autostart-enabled=true\nX-Other = 1\n",
         "Remove the login entry “Mine”?"},
        {"an earlier version's, at the old name", "moxilane.desktop", legacy, S::Enabled, "(none)",
         nullptr},
        {"the old name with a key of the user's", "moxilane.desktop", legacy + "X-Mine=1\n",
         S::Enabled, "", "Remove the login entry “Moxilane”?"},
        {"another program at the old name", "moxilane.desktop",
         "[Desktop Entry]\nExec=/usr/bin/other\n", S::NotRegistered, "", nullptr},
    };
    QTemporaryDir bin;
    const QString program = bin.filePath("moxilane");
    writeEntry(program, "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ExeOwner | QFile::ReadOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":/usr/bin:/bin");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir config;
        const QString folder = config.filePath("autostart");
        QDir().mkpath(folder);
        QByteArray entry = row.entry;
        entry.replace("PROG", QFile::encodeName(program));
        if (!row.file.isEmpty()) writeEntry(folder + "/" + row.file, entry);
        test::FakeQuestions questions;
        XdgAutostart item(folder, program, questions);
        EXPECT_EQ(item.status(), row.status);

        ASSERT_TRUE(item.registerItem());
        EXPECT_EQ(item.status(), S::Enabled);
        QByteArray expected = row.enabled.isEmpty() ? entry : row.enabled;
        expected.replace("PROG", QFile::encodeName(program));
        if (!row.file.isEmpty() && row.file != kNew) {
            EXPECT_EQ(readAll(folder + "/" + row.file), expected);
        }
        // Exactly one entry starts the program, ours only when there was none of the user's.
        const bool oursWritten = row.status == S::NotRegistered && row.enabled.isEmpty();
        const bool moved = row.enabled == "(none)";
        if (oursWritten || moved || row.file == kNew) {
            EXPECT_TRUE(readAll(item.entryPath()).contains("\nX-Moxilane-Managed=true\n"));
        } else {
            EXPECT_FALSE(QFile::exists(item.entryPath()));
        }
        const int entries = QDir(folder).entryList(QDir::Files).size();
        EXPECT_EQ(entries, (row.file.isEmpty() || moved || row.file == kNew) ? 1
                           : oursWritten                                     ? 2
                                                                             : 1);

        questions.answer = false;
        ASSERT_TRUE(item.unregisterItem());
        if (row.asked) {
            ASSERT_EQ(questions.asked.size(), 1u);
            EXPECT_EQ(questions.asked[0], row.asked);
            EXPECT_EQ(item.status(), S::Enabled);  // cancelled: kept
            questions.answer = true;
            ASSERT_TRUE(item.unregisterItem());
        } else {
            EXPECT_TRUE(questions.asked.empty());
        }
        EXPECT_EQ(item.status(), S::NotRegistered);
    }
    qputenv("PATH", path);
}

TEST(XdgAutostart, AnUnusableFolderIsReportedWithTheSystemsReason) {
    QTemporaryDir config;
    writeEntry(config.filePath("autostart"), {});  // a file where the folder goes
    test::FakeQuestions questions;
    XdgAutostart item(config.filePath("autostart"), kProgram, questions);
    const auto registered = item.registerItem();
    ASSERT_FALSE(registered);
    EXPECT_TRUE(registered.error().contains("Not a directory")) << registered.error().toStdString();
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);

    // The entry's folder replaced by a file: the entry itself cannot be written either.
    QTemporaryDir other;
    XdgAutostart nested(other.filePath("autostart"), kProgram, questions);
    ASSERT_TRUE(QDir().mkpath(nested.entryPath()));  // a folder where the entry goes
    const auto overFolder = nested.registerItem();
    ASSERT_FALSE(overFolder);
    EXPECT_TRUE(overFolder.error().contains("io.github.moxilane.Moxilane.desktop"))
        << overFolder.error().toStdString();
}
