#pragma once

#include <QString>

class QWidget;

namespace moxilane {

// A modal question with two buttons. Brings the program to the front and blocks its
// caller (running a nested event loop) until answered.
class Questions {
public:
    virtual ~Questions() = default;
    // True when the first (default) button was chosen; closing the window is the second.
    virtual bool ask(const QString& message, const QString& informativeText,
                     const QString& firstButton, const QString& secondButton) = 0;
    // The same, warning of something that cannot be undone, over `window` (whose dialog it
    // is) rather than on its own.
    virtual bool askWarning(QWidget* window, const QString& message, const QString& informativeText,
                            const QString& firstButton, const QString& secondButton) {
        (void)window;
        return ask(message, informativeText, firstButton, secondButton);
    }
};

}  // namespace moxilane
