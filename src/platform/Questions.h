#pragma once

#include <QString>

namespace moxilane {

// A modal question with two buttons. Brings the program to the front and blocks its
// caller (running a nested event loop) until answered.
class Questions {
public:
    virtual ~Questions() = default;
    // True when the first (default) button was chosen; closing the window is the second.
    virtual bool ask(const QString& message, const QString& informativeText,
                     const QString& firstButton, const QString& secondButton) = 0;
};

}  // namespace moxilane
