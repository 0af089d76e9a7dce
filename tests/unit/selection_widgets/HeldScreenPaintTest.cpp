#include "platform/WindowRoles.h"
#include "selection/RegionSelectionView.h"
#include "selection/WindowCandidates.h"
#include "selection/WindowPickerView.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

// A screen held as X11 holds it: it shows the snapshot until shaded or painted over.
class FakeHeld final : public HeldScreen {
public:
    explicit FakeHeld(QImage screen) : shown(std::move(screen)) {}
    void place(QWidget&) override { ++placed; }
    void shade(QWidget&, const QRegion& area, int alpha) override {
        QPainter painter(&shown);
        for (const QRect& rect : area)
            painter.fillRect(rect, QColor(0, 0, 0, alpha));
    }
    void put(QWidget&, QPoint at, const QImage& image) override {
        QImage pixels = image;
        pixels.setDevicePixelRatio(1);
        QPainter painter(&shown);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(at, pixels);
    }
    QImage shown;
    int placed = 0;
};

struct Roles final : WindowRoles {
    void prepare(QWidget&, WindowRole) override {}
    bool takeKeyboard(QWidget&) override { return false; }
    bool showsTranslucency() const override { return false; }
    HeldScreen* heldScreen() override { return held; }
    HeldScreen* held = nullptr;
};

QImage noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (state >> 8);
        }
    }
    return image;
}

void settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// The picture a window of its own paints, to which the held screen must come.
QImage painted(QWidget& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// Each step paints only what differs from the screen: after every one, what the held screen
// shows is what the overlay would paint whole.
TEST(HeldScreen, OverlaysShowWhatTheyWouldPaintAfterEveryStep) {
    QScreen* qtScreen = QGuiApplication::primaryScreen();
    const QSize size = qtScreen->geometry().size();
    const QImage snapshot = noise(size);
    const ScreenInfo info{1, QRectF(QPointF(0, 0), QSizeF(size)), 1.0, qtScreen->name()};

    FakeHeld held(snapshot);
    Roles onHold, alone;
    onHold.held = &held;
    RegionSelectionView view(qtScreen, onHold), reference(qtScreen, alone);
    for (RegionSelectionView* v : {&view, &reference})
        v->prepare(info, snapshot, QStringLiteral("Drag over the area to scroll"));
    view.show();
    settle();
    EXPECT_EQ(held.placed, 1);
    EXPECT_TRUE(held.shown == painted(reference)) << "the hint";

    const QPointF steps[] = {{300, 200}, {420, 330}, {380, 260}, {150, 120}, {60, 500}, {10, 10}};
    for (RegionSelectionView* v : {&view, &reference})
        v->pressAt({200, 150});
    for (const QPointF& to : steps) {
        SCOPED_TRACE(testing::Message() << to.x() << "," << to.y());
        for (RegionSelectionView* v : {&view, &reference})
            v->dragTo(to);
        settle();
        EXPECT_TRUE(held.shown == painted(reference));
    }

    // The picker's highlight moving from window to window, and off them.
    FakeHeld pickerHeld(snapshot);
    onHold.held = &pickerHeld;
    WindowPickerView picker(qtScreen, onHold), pickerReference(qtScreen, alone);
    std::vector<WindowInfo> windows(2);
    windows[0].windowID = 1, windows[0].frame = QRectF(50, 60, 300, 200);
    windows[1].windowID = 2, windows[1].frame = QRectF(200, 150, 400, 300);
    const QRect whole(QPoint(0, 0), size);
    const ScreenLayout layout({{1, qtScreen->name(), QRectF(whole), whole, 1.0, QRectF(whole)}});
    auto candidates = std::make_shared<const WindowCandidates>(windows, 2, layout);
    for (WindowPickerView* v : {&picker, &pickerReference})
        v->prepare(info, snapshot, candidates);
    picker.show();
    settle();
    const WindowInfo* highlights[] = {&windows[0], &windows[1], nullptr};
    for (const WindowInfo* window : highlights) {
        for (WindowPickerView* v : {&picker, &pickerReference})
            v->setHighlighted(window);
        settle();
        EXPECT_TRUE(pickerHeld.shown == painted(pickerReference));
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
