#pragma once

#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace moxilane {

class WindowRoles;

// A one-point frame just outside the area a scrolling capture samples, so the user sees what
// is taken while scrolling: four thin windows above all others that take neither the focus
// nor the pointer, and that the frames leave out.
class ScrollAreaFrame {
public:
    explicit ScrollAreaFrame(WindowRoles& roles);
    ~ScrollAreaFrame();

    // area: Qt's global coordinates (points, y down).
    void show(const QRectF& area);
    void hide();
    std::vector<std::uint32_t> windowIds() const;

    // The four edges' places around an area: top, bottom, left, right; outside its whole
    // points, one point thick.
    static std::array<QRect, 4> edges(const QRectF& area);

private:
    std::array<std::unique_ptr<QWidget>, 4> m_edges;
};

}  // namespace moxilane
