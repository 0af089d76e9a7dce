#include "markup/MarkupCanvasView.h"
#include "markup/MarkupToolIcon.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace moxilane {
namespace {

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The canvas on a white 800 x 600 capture, shown at half size in an active window.
struct ShownView {
    MarkupCanvasView view{filled({800, 600}, Qt::white)};

    ShownView() {
        view.resize(400, 300);
        view.show();
        view.activateWindow();
        view.setFocus();
        QCoreApplication::processEvents();
    }
    void mouse(QEvent::Type type, QPointF at) {
        const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, view.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    void click(QPointF at) {
        mouse(QEvent::MouseButtonPress, at);
        mouse(QEvent::MouseButtonRelease, at);
    }
    void key(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(to, &press);
    }
    QLineEdit* field() const {
        for (auto* child : view.findChildren<QLineEdit*>())
            if (child->isVisible()) return child;
        return nullptr;
    }
};

TEST(MarkupCanvasView, TextFieldOpensAtTheClickCommitsOnReturnAndHandsKeysBack) {
    ShownView t;
    t.view.canvas().setCurrentTool(MarkupTool::text);
    t.click({100, 100});
    QLineEdit* field = t.field();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->placeholderText(), QString::fromUtf8("Type\u2026"));
    EXPECT_EQ(field->geometry(), QRect(98, 97, 220, 30));  // 20-point font at half size
    EXPECT_TRUE(field->hasFocus());

    field->setText(QStringLiteral("Noted"));
    t.key(field, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(t.field());
    ASSERT_EQ(t.view.canvas().annotations().size(), 1u);
    EXPECT_EQ(t.view.canvas().annotations()[0]->text(), "Noted");
    EXPECT_TRUE(t.view.hasFocus());

    t.key(&t.view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(t.view.canvas().annotations().empty());
    t.key(&t.view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(t.view.canvas().annotations().size(), 1u);
    t.key(&t.view, Qt::Key_Delete);
    EXPECT_TRUE(t.view.canvas().annotations().empty());

    t.click({200, 200});  // a field left open when the view goes away is simply dropped
    EXPECT_TRUE(t.field());
}

TEST(MarkupCanvasView, PaintsTheStrokeItRecordedWhereTheImageShowsIt) {
    ShownView t;
    t.view.canvas().setCurrentTool(MarkupTool::line);
    t.mouse(QEvent::MouseButtonPress, {50, 150.5});
    t.mouse(QEvent::MouseMove, {200, 150.5});
    t.mouse(QEvent::MouseMove, {350, 150.5});
    t.mouse(QEvent::MouseButtonRelease, {350, 150.5});
    ASSERT_EQ(t.view.canvas().annotations().size(), 1u);
    EXPECT_EQ(t.view.canvas().annotations()[0]->points()[1], QPointF(700, 301));
    const QImage shown = t.view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 150), systemRed());
    EXPECT_EQ(shown.pixelColor(200, 140), QColor(Qt::white));
    for (const MarkupTool tool : allMarkupTools)
        EXPECT_FALSE(markupToolIcon(tool).pixmap(24, 24).isNull()) << label(tool).toStdString();
}

TEST(MarkupCanvasView, ShowsOverTheImageWhatRenderSavesAndNothingBeyond) {
    // A 200 x 300 capture in a 400 x 300 view: shown at its size between two margins.
    MarkupCanvasView view(filled({200, 300}, QColor(40, 90, 160)));
    view.resize(400, 300);
    view.show();
    QCoreApplication::processEvents();
    view.canvas().setCurrentTool(MarkupTool::text);
    const auto click = [&](QPointF at) {
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
        }
    };
    click({260, 150});  // near the right edge: the words run past it
    auto* field = view.findChild<QLineEdit*>();
    ASSERT_TRUE(field);
    field->setText(QStringLiteral("Noted past the edge"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QCoreApplication::processEvents();
    ASSERT_EQ(view.canvas().annotations().size(), 1u);
    view.canvas().setCurrentTool(MarkupTool::select);
    click({50, 20});  // nothing there: the text is no longer selected, its outline goes

    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto saved = view.canvas().render();
    ASSERT_TRUE(saved);
    const QColor margin = shown.pixelColor(2, 2);
    int differing = 0, painted = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 200; ++x)
            differing += shown.pixel(100 + x, y) != saved->pixel(x, y);
        for (int x = 300; x < 400; ++x)
            painted += shown.pixelColor(x, y) != margin;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(painted, 0);
}

TEST(MarkupCanvasView, ShowsOnePixelWideCapturesCentred) {
    struct Case {
        QSize image, view;
        QPoint inside, outside;
    };
    const Case cases[] = {
        {{1, 1}, {400, 300}, {200, 150}, {40, 150}},       // enlarged to 300 x 300
        {{1, 24000}, {640, 924}, {320, 462}, {318, 462}},  // 0.04 points wide: one pixel
    };
    for (const Case& c : cases) {
        MarkupCanvasView view(filled(c.image, Qt::blue));
        view.resize(c.view);
        const QImage shown = view.grab().toImage();
        EXPECT_EQ(shown.pixelColor(c.inside), QColor(Qt::blue));
        EXPECT_NE(shown.pixelColor(c.outside), QColor(Qt::blue));
    }
}

}  // namespace
}  // namespace moxilane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
