#include "fakes/FakeServices.h"
#include "markup/MarkupEditorController.h"
#include "markup/PinWindow.h"
#include "markup/ShareMenu.h"
#include "platform/EditServices.h"
#include "platform/Questions.h"
#include "platform/WindowRoles.h"

#include <QApplication>
#include <QColorSpace>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QToolButton>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

struct Answers final : Questions {
    bool ask(const QString& message, const QString&, const QString&, const QString&) override {
        asked << message;
        return answer;
    }
    bool answer = false;
    QStringList asked;
};
struct Pasteboard final : Clipboard {
    void setPngImage(const QByteArray& png) override { items.push_back(png); }
    void setText(const QString& text) override { items.push_back(text.toUtf8()); }
    bool holdsImage() const override { return !items.empty(); }
    void clear() override { items.clear(); }
    std::vector<QByteArray> items;
};

QToolButton* buttonNamed(QWidget& window, const QString& text) {
    for (auto* button : window.findChildren<QToolButton*>())
        if (button->text() == text || button->toolTip() == text) return button;
    return nullptr;
}

// A rectangle dragged across the canvas with the tool bar's rectangle tool.
void drawRectangle(MarkupEditorController& editor) {
    buttonNamed(editor, label(MarkupTool::rectangle))->click();
    QWidget& view = *editor.findChild<MarkupCanvasView*>();
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    send(QEvent::MouseMove, {80, 60}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {80, 60}, Qt::NoButton);
}

// Runs the event loop until done() holds or the time is up.
bool waitUntil(const std::function<bool()>& done, int ms = 3000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QImage grey(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

// An editor on a grey capture, by default 400 × 300 pixels at scale 2 on a 1440 × 875 screen.
struct EditorFixture {
    Answers questions;
    Pasteboard clipboard;
    test::FakeDesktop desktop;
    test::FakeAlerts alerts;
    QImage capture;
    MarkupEditorController editor;
    int closed = 0;
    explicit EditorFixture(QSize size = {400, 300}, double scale = 2.0, QSizeF screen = {1440, 875})
        : capture(grey(size)),
          editor(capture, scale, {questions, clipboard, desktop, alerts}, screen) {
        editor.onClosed = [this] { ++closed; };
        editor.present();
    }
};

}  // namespace

TEST(MarkupEditor, TitleSizeAndUndoRedoFollowTheStacks) {
    EditorFixture f;
    EXPECT_EQ(f.editor.windowTitle(), "Moxilane — Markup");
    EXPECT_EQ(f.editor.size(), QSize(1106, 198));  // 200 × 150 points, raised to the bar's width
    QToolButton* undo = buttonNamed(f.editor, "Undo (Ctrl+Z)");
    QToolButton* redo = buttonNamed(f.editor, "Redo (Ctrl+Shift+Z)");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    drawRectangle(f.editor);
    EXPECT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
}

TEST(MarkupEditor, SaveAndCopyGiveTheFullSizeRenderAndTheWindowStays) {
    EditorFixture f;
    drawRectangle(f.editor);
    std::vector<std::pair<QImage, double>> saved;
    f.editor.onSave = [&](const QImage& image, double scale) { saved.push_back({image, scale}); };
    buttonNamed(f.editor, "Save")->click();
    buttonNamed(f.editor, "Save")->click();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].first.size(), QSize(400, 300));
    EXPECT_EQ(saved[0].second, 2.0);
    EXPECT_NE(saved[0].first.convertToFormat(QImage::Format_RGB32), f.capture);
    buttonNamed(f.editor, "Copy")->click();
    ASSERT_EQ(f.clipboard.items.size(), 1u);
    EXPECT_TRUE(f.clipboard.items[0].startsWith("\x89PNG"));
    EXPECT_TRUE(f.editor.isVisible());
    EXPECT_EQ(f.closed, 0);
}

TEST(MarkupEditor, DiscardAsksFirstAndDoneClosesWithoutAsking) {
    EditorFixture f;
    std::vector<QString> calls;
    f.editor.onDiscard = [&] { calls.push_back("discard"); };
    f.editor.onClosed = [&] { calls.push_back("closed"); };
    QToolButton* discard = buttonNamed(f.editor, "Discard this screenshot");
    discard->click();  // cancelled
    EXPECT_EQ(f.questions.asked, QStringList{"Discard this screenshot?"});
    EXPECT_TRUE(calls.empty());
    f.questions.answer = true;
    discard->click();
    EXPECT_EQ(calls, (std::vector<QString>{"discard", "closed"}));
    EXPECT_FALSE(f.editor.isVisible());

    EditorFixture g;
    buttonNamed(g.editor, "Done")->click();
    EXPECT_EQ(g.closed, 1);
    EXPECT_TRUE(g.questions.asked.isEmpty());
}

// A closed editor's window taken over by the next capture starts as a new editor would, and
// keeps the store it has already written and had read.
TEST(MarkupEditor, AReusedWindowShowsOnlyTheNewCaptureWithTheFirstToolsAndKeepsItsStore) {
    struct Roles final : WindowRoles {
        void prepare(QWidget&, WindowRole) override {}
        bool takeKeyboard(QWidget&) override { return true; }
        bool showsTranslucency() const override { return false; }
        void readyStore(QWidget&) override { ++readied; }
        int readied = 0;
    } roles;
    Answers questions;
    Pasteboard clipboard;
    test::FakeDesktop desktop;
    test::FakeAlerts alerts;
    const QSizeF screen(1440, 875);
    MarkupEditorController editor(grey({400, 300}), 2.0,
                                  {questions, clipboard, desktop, alerts, &roles}, screen);
    editor.prepare();
    ASSERT_TRUE(waitUntil([&] { return roles.readied == 1; }));
    editor.present();
    drawRectangle(editor);  // leaves the rectangle tool chosen
    buttonNamed(editor, "L")->click();
    int oldCallbacks = 0;
    editor.onClosed = [&] { ++oldCallbacks; };
    editor.close();
    editor.dropCapture();

    QImage next(400, 300, QImage::Format_RGB32);
    next.fill(Qt::darkCyan);
    editor.reuse(next, 2.0, screen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    editor.prepare();
    EXPECT_FALSE(waitUntil([&] { return roles.readied > 1; }, 300));
    editor.present();
    EXPECT_EQ(
        editor.size(),
        MarkupEditorController(next, 2.0, {questions, clipboard, desktop, alerts}, screen).size());
    EXPECT_FALSE(editor.isMaximized());
    EXPECT_FALSE(buttonNamed(editor, "Undo (Ctrl+Z)")->isEnabled());
    EXPECT_TRUE(buttonNamed(editor, label(MarkupTool::arrow))->isChecked());
    EXPECT_TRUE(buttonNamed(editor, "M")->isChecked());
    std::vector<QImage> saved;
    editor.onSave = [&](const QImage& image, double) { saved.push_back(image); };
    buttonNamed(editor, "Save")->click();
    ASSERT_EQ(saved.size(), 1u);
    next.setColorSpace(saved[0].colorSpace());
    EXPECT_EQ(saved[0].convertToFormat(QImage::Format_RGB32), next);
    editor.close();
    EXPECT_EQ(oldCallbacks, 1);  // the first close only
}

TEST(MarkupEditor, AVeryTallCaptureOpensAtAUsableSizeAndPaints) {
    EditorFixture f({3840, 24000}, 1.0, {1920, 1080});
    EXPECT_EQ(f.editor.size(), QSize(1106, 972));
    EXPECT_FALSE(f.editor.grab().isNull());

    // Made ready while hidden, an editor opens as one shown at once does.
    const QRectF screen(0, 0, 1920, 1080);
    MarkupEditorController prepared(f.capture, 1.0, {f.questions, f.clipboard, f.desktop, f.alerts},
                                    screen.size());
    prepared.prepare(screen);
    EXPECT_FALSE(prepared.isVisible());
    prepared.present(screen);
    f.editor.move(prepared.pos());
    QThreadPool::globalInstance()->waitForDone(5000);  // both smooth pictures
    QCoreApplication::processEvents();
    EXPECT_EQ(prepared.geometry(), f.editor.geometry());
    EXPECT_EQ(prepared.grab().toImage(), f.editor.grab().toImage());
}

namespace {

// A second local user: the one who plants links. Made when missing (tests run as root).
std::optional<passwd> hostileUser() {
    const char* name = "moxilane-other";
    if (!getpwnam(name)) QProcess::execute("useradd", {"--system", "--no-create-home", name});
    if (const passwd* user = getpwnam(name)) return *user;
    return std::nullopt;
}

bool runAs(const passwd& user, const QStringList& command) {
    return QProcess::execute(
               "setpriv", QStringList{"--reuid=" + QString::number(user.pw_uid),
                                      "--regid=" + QString::number(user.pw_gid), "--clear-groups"} +
                              command) == 0;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

}  // namespace

// Another user plants links under the names a predictable scheme would use next, in /tmp
// and in a shared runtime folder; sharing must write none of them and leave a 0600 file
// in a folder of our own.
TEST(MarkupEditor, ShareWritesOnlyAPrivateFileWhateverAnotherUserPlanted) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    const auto other = hostileUser();
    ASSERT_TRUE(other) << "useradd failed";
    struct Row {
        const char* name;
        bool sharedRuntime;  // the runtime folder is world-writable, another user was first
    };
    for (const Row row : {Row{"private runtime folder", false}, Row{"hostile runtime", true}}) {
        SCOPED_TRACE(row.name);
        QTemporaryDir home, runtime, cache, theirs;
        const QString victim = home.filePath(".bashrc");
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("echo hi\n") == 8);
        file.close();
        chmod(QFile::encodeName(theirs.path()), 0777);
        chown(QFile::encodeName(theirs.path()), other->pw_uid, other->pw_gid);
        if (row.sharedRuntime) {
            chmod(QFile::encodeName(runtime.path()), 01777);
            ASSERT_TRUE(runAs(*other, {"ln", "-s", theirs.path(), runtime.filePath("moxilane")}));
        }
        QStringList planted;
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        for (qint64 second = now; second < now + 5; ++second) {
            const QString name = QStringLiteral("Screenshot-%1.png").arg(second);
            for (const QString& link : {"/tmp/" + name, runtime.filePath(name)}) {
                if (runAs(*other, {"ln", "-s", victim, link})) planted << link;
            }
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));

        EditorFixture f;
        buttonNamed(f.editor, "Share")->click();

        for (const QString& link : planted) {
            EXPECT_EQ(QFileInfo(link).symLinkTarget(), victim) << link.toStdString();
            QFile::remove(link);
        }
        QFile check(victim);
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), "echo hi\n");
        EXPECT_TRUE(filesIn(theirs.path()).isEmpty());
        const QString folder =
            row.sharedRuntime ? cache.filePath("moxilane/share") : runtime.filePath("moxilane");
        const QStringList written = filesIn(folder);
        ASSERT_EQ(written.size(), 1) << written.join(' ').toStdString();
        EXPECT_TRUE(written[0].startsWith("Screenshot-") && written[0].endsWith(".png"));
        struct stat info {};
        ASSERT_EQ(lstat(QFile::encodeName(folder + "/" + written[0]), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_EQ(info.st_uid, 0u);
        EXPECT_TRUE(f.alerts.shown.empty());
    }
    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_CACHE_HOME");
}

TEST(MarkupEditor, AShareThatCannotBeWrittenSaysWhy) {
    QTemporaryDir home;
    QFile blocker(home.filePath("file"));  // a file where the folders' parent should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.filePath("file/run")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath("file/cache")));
    EditorFixture f;
    buttonNamed(f.editor, "Share")->click();
    ASSERT_EQ(f.alerts.shown.size(), 1);
    EXPECT_EQ(f.alerts.shown[0].message, "Could Not Share the Screenshot");
    EXPECT_TRUE(f.alerts.shown[0].text.contains("Not a directory"))
        << f.alerts.shown[0].text.toStdString();
    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_CACHE_HOME");
}

// Every item inside the window at its initial size: in one row where 90 % of the work area
// holds the bar, else with Share, Copy, Save and Done on a second row, the canvas as high.
TEST(MarkupEditor, EveryBarItemIsInsideTheWindowInOneRowOrTwo) {
    for (const bool narrow : {false, true}) {
        SCOPED_TRACE(narrow ? "1024 wide" : "1440 wide");
        EditorFixture f({400, 300}, 2.0, narrow ? QSizeF(1024, 768) : QSizeF(1440, 875));
        QCoreApplication::processEvents();
        const auto buttons = f.editor.findChildren<QToolButton*>();
        ASSERT_EQ(buttons.size(), 11 + 7 + 3 + 3 + 5);
        for (QToolButton* button : buttons) {
            SCOPED_TRACE(button->accessibleName().toStdString());
            EXPECT_FALSE(button->accessibleName().isEmpty());
            EXPECT_TRUE(button->isVisibleTo(&f.editor));
            EXPECT_TRUE(f.editor.rect().contains(
                QRect(button->mapTo(&f.editor, QPoint()), button->size())));
        }
        const int undoTop = buttonNamed(f.editor, "Undo (Ctrl+Z)")->mapTo(&f.editor, QPoint()).y();
        const int doneTop = buttonNamed(f.editor, "Done")->mapTo(&f.editor, QPoint()).y();
        EXPECT_EQ(doneTop > undoTop, narrow);
        EXPECT_EQ(f.editor.findChild<MarkupCanvasView*>()->height(), 150);
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(ShareMenu, WhatTheDesktopRefusesIsShownWithItsReason) {
    test::FakeDesktop desktop;
    desktop.applications = {{"viewer.desktop", "Viewer"}};
    test::FakeAlerts alerts;
    QWidget parent;
    QMenu* menu = makeShareMenu("/tmp/shot.png", desktop, alerts, &parent);
    const auto trigger = [&](const char* text) {
        for (QAction* action : menu->findChildren<QAction*>())
            if (action->text() == QString::fromUtf8(text)) return action->trigger();
        ADD_FAILURE() << text;
    };
    for (const char* item : {"Open", "Viewer", "Show in File Manager", "Copy File"})
        trigger(item);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(desktop.launched, QStringList{"viewer.desktop /tmp/shot.png"});
    EXPECT_EQ(desktop.revealed, QStringList{"/tmp/shot.png"});
    EXPECT_EQ(desktop.copied, QStringList{"/tmp/shot.png"});

    desktop.refusal = "No such file or directory";
    for (const char* item : {"Open", "Viewer", "Show in File Manager", "Copy File"})
        trigger(item);
    QStringList titles;
    for (const auto& alert : alerts.shown) {
        titles << alert.message;
        EXPECT_EQ(alert.text, *desktop.refusal);
    }
    EXPECT_EQ(titles,
              (QStringList{"Could Not Open the Screenshot", "Could Not Open the Screenshot",
                           "Could Not Open the File Manager", "Could Not Copy the Screenshot"}));
}

TEST(PinWindow, CopiesAndSavesItsImageAndOffersSaveAsAgainAfterAFailedWrite) {
    struct Roles final : WindowRoles {
        void prepare(QWidget&, WindowRole given) override { role = given; }
        bool takeKeyboard(QWidget&) override { return false; }
        bool showsTranslucency() const override { return false; }
        std::optional<WindowRole> role;
    } roles;
    struct Panel final : SavePanel {
        std::optional<QString> askSavePath(const QString& name, const QString& folder) override {
            asked << folder + "/" + name;
            return answers.isEmpty() ? std::nullopt : std::optional(answers.takeFirst());
        }
        QStringList asked, answers;
    } panel;
    Pasteboard pasteboard;
    test::FakeAlerts alerts;
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));  // a regular file where a folder is expected
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));

    PinWindow pin(image, 2.0, QSizeF(20, 15), {"Shot.png", dir.path()},
                  {roles, pasteboard, panel, alerts});
    EXPECT_EQ(roles.role, WindowRole::pin);
    EXPECT_EQ(pin.size(), QSize(22, 17));  // a one-point edge around 20 × 15 points
    int closings = 0;
    pin.onClosed = [&] { ++closings; };
    const auto choose = [&](const QString& text) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        QApplication::sendEvent(&pin, &event);
        for (QAction* action : pin.findChildren<QMenu*>().constLast()->actions())
            if (action->text() == text) return action->trigger();
        ADD_FAILURE() << text.toStdString();
    };

    choose("Copy");
    ASSERT_EQ(pasteboard.items.size(), 1u);
    EXPECT_EQ(QImage::fromData(pasteboard.items[0]).convertToFormat(QImage::Format_RGB32), image);

    panel.answers = {dir.filePath("file/Shot.png"), dir.filePath("Saved.png")};
    choose("Save As…");
    EXPECT_EQ(panel.asked,
              QStringList({dir.path() + "/Shot.png", dir.filePath("file") + "/Shot.png"}));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, "Could Not Save the Screenshot");
    EXPECT_FALSE(alerts.shown[0].text.isEmpty());
    EXPECT_EQ(QImage(dir.filePath("Saved.png")).convertToFormat(QImage::Format_RGB32), image);

    choose("Close");
    EXPECT_EQ(closings, 1);
}
