#include "platform/wayland/gnome/PanelCanvas.h"

#include <QApplication>
#include <QWindow>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::wayland;

// The canvas draws each child where the program put it (global points) and records it for the
// frames' masking; only the panel takes input.
TEST(PanelCanvas, ChildrenLieWhereTheProgramPutThemAndOnlyThePanelTakesInput) {
    PanelCanvas canvas;
    QWidget panel, edge;
    canvas.adopt(panel, WindowRole::panel);
    canvas.adopt(edge, WindowRole::marker);
    const auto ids = [&] {
        return std::vector<std::uint32_t>{std::uint32_t(panel.window()->winId())};
    };
    const QRect screen(0, 0, 800, 600);

    // Placed while hidden, as the scrolling panel is: Qt tells of that move only at the show.
    panel.resize(300, 117);
    panel.move(400, 450);
    panel.show();
    edge.setGeometry(100, 99, 200, 1);
    edge.show();
    QApplication::processEvents();
    EXPECT_EQ(panelCanvasPixelsIn(screen, ids()),
              (std::vector<QRect>{QRect(400, 450, 300, 117), QRect(100, 99, 200, 1)}));
    ASSERT_TRUE(panel.window()->windowHandle());
    EXPECT_EQ(panel.window()->windowHandle()->mask(), QRegion(panel.geometry()));

    // Moved while shown; only what lies in the area counts.
    panel.move(10, 20);
    QApplication::processEvents();
    EXPECT_EQ(panelCanvasPixelsIn(QRect(0, 0, 50, 50), ids()),
              std::vector<QRect>{QRect(10, 20, 40, 30)});
    EXPECT_TRUE(panelCanvasPixelsIn(screen, {12345}).empty());

    panel.hide();
    edge.hide();
    QApplication::processEvents();
    EXPECT_TRUE(panelCanvasPixelsIn(screen, ids()).empty());
    EXPECT_FALSE(panel.window()->isVisible());
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
