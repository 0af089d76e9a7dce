#pragma once

#include <QString>

#include <optional>

namespace moxilane {

// A modal dialog asking where to save a file.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    // Brings the program to the front and offers fileName (PNG only) in startFolder, which
    // may be empty. The chosen path, or nothing when cancelled.
    virtual std::optional<QString> askSavePath(const QString& fileName,
                                               const QString& startFolder) = 0;
};

}  // namespace moxilane
