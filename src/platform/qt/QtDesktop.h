#pragma once

#include "platform/Services.h"

namespace moxilane {

// The freedesktop.org desktop: applications from the XDG desktop entries and their
// mimeinfo.cache, default applications through xdg-open, the file manager through its
// D-Bus interface, files on the CLIPBOARD selection as file managers copy them.
class QtDesktop final : public Desktop {
public:
    std::expected<void, QString> openFile(const QString& path) override;
    std::expected<void, QString> revealFolder(const QString& path) override;
    std::vector<DesktopApplication> applicationsFor(const QString& mimeType) override;
    std::expected<void, QString> launch(const DesktopApplication& application,
                                        const QString& path) override;
    std::expected<void, QString> copyFile(const QString& path) override;
};

}  // namespace moxilane
