#pragma once

#include "platform/EditServices.h"

namespace moxilane {

// The desktop's file dialog, for PNG files.
class QtSavePanel final : public SavePanel {
public:
    std::optional<QString> askSavePath(const QString& fileName,
                                       const QString& startFolder) override;
};

}  // namespace moxilane
