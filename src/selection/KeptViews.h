#pragma once

#include "platform/ScreenLayout.h"

#include <QScreen>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace moxilane {

// Overlay views kept between selections, one per screen: a view's window and its backing
// store are ready when the next selection starts. A view is reused only for the
// screen as it was when the view was made. Drop views only while none handles an event.
template <class View>
class KeptViews {
public:
    // The view kept for this screen as it is now, or one made by make; a view of the same
    // screen with another geometry or scale is dropped.
    View* viewFor(QScreen* qtScreen, const std::function<std::unique_ptr<View>()>& make) {
        for (const Kept& kept : m_views) {
            if (kept.screenName == qtScreen->name() && kept.geometry == qtScreen->geometry() &&
                kept.scale == qtScreen->devicePixelRatio())
                return kept.view.get();
        }
        std::erase_if(m_views,
                      [&](const Kept& kept) { return kept.screenName == qtScreen->name(); });
        m_views.push_back(
            {qtScreen->name(), qtScreen->geometry(), qtScreen->devicePixelRatio(), make()});
        return m_views.back().view.get();
    }
    // Drops the views of screens the layout no longer has.
    void keepOnly(const ScreenLayout& layout) {
        std::erase_if(m_views, [&](const Kept& kept) {
            return std::ranges::none_of(layout.screens(), [&](const ScreenLayout::Screen& s) {
                return s.name == kept.screenName;
            });
        });
    }
    void clear() { m_views.clear(); }

private:
    struct Kept {
        QString screenName;
        QRect geometry;
        double scale;
        std::unique_ptr<View> view;
    };
    std::vector<Kept> m_views;
};

}  // namespace moxilane
