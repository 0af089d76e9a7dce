#pragma once

#include "platform/Screens.h"

#include <QString>

#include <map>

namespace moxilane::x11 {

// Qt's screens (the RandR monitors), with the monitor's name atom as display identifier:
// the same number the capture service reports for that monitor.
class X11Screens final : public ScreenList {
public:
    ScreenLayout layout() const override;

private:
    std::uint32_t displayIdFor(const QString& name) const;
    mutable std::map<QString, std::uint32_t> m_atoms;  // atoms live as long as the server
};

}  // namespace moxilane::x11
