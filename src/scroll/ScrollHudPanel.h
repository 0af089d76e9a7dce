#pragma once

#include "platform/Screens.h"
#include "scroll/ScrollAreaFrame.h"
#include "scroll/ScrollCaptureController.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace moxilane {

class WindowRoles;

// The scrolling capture's heads-up panel: a frameless window above all others that the
// window manager leaves alone, shown without taking the focus. A click into it gives it the
// keyboard, so Return and Esc work from then on; its buttons work on the first click.
class ScrollHudPanel final : public QWidget, public ScrollHud {
    Q_OBJECT
public:
    ScrollHudPanel(const ScreenList& screens, WindowRoles& roles);

    QSizeF size() const override { return {300, 117}; }
    QRectF visibleFrame(const ScreenInfo& screen) const override;
    void show(QPointF origin, const QString& status, Actions actions) override;
    void moveTo(QPointF origin) override;
    void setStatus(const QString& text) override;
    void setHint(const QString& text) override;
    void markArea(const QRectF& area) override;
    void close() override;
    std::vector<std::uint32_t> windowIds() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void watchScreens();
    void setElided(QLabel* label, const QString& text);

    const ScreenList& m_screens;
    Actions m_actions;
    QLabel* m_title;
    QLabel* m_status;
    QLabel* m_hint;
    QPushButton* m_cancel;
    QPushButton* m_done;
    ScrollAreaFrame m_areaFrame;
};

}  // namespace moxilane
