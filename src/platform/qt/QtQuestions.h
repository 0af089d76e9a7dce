#pragma once

#include "platform/Questions.h"

namespace moxilane {

class QtQuestions final : public Questions {
public:
    bool ask(const QString& message, const QString& informativeText, const QString& firstButton,
             const QString& secondButton) override;
    bool askWarning(QWidget* window, const QString& message, const QString& informativeText,
                    const QString& firstButton, const QString& secondButton) override;
};

}  // namespace moxilane
