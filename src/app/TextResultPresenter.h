#pragma once

#include "flows/FlowUi.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace moxilane {

class Clipboard;
class ScreenList;
class WindowRoles;

// Capture Text's result: a toast in the thumbnail's place for a few seconds with the
// text's first lines and "Copied" (or "No text found"); a click on it opens the whole
// text in a read-only window with a Copy button.
class TextResultPresenter final : public TextPresenter {
public:
    static constexpr int kToastMs = 4000;

    TextResultPresenter(const ScreenList& screens, WindowRoles& roles, Clipboard& clipboard)
        : m_screens(screens), m_roles(roles), m_clipboard(clipboard) {}
    ~TextResultPresenter() override;

    void showText(const QString& text, bool copied) override;
    void showNoText() override;

    static QString toastTitle() { return QStringLiteral("Moxilane Text"); }
    static QString windowTitle() { return QStringLiteral("Captured Text"); }

private:
    void showToast(const QString& text, const QString& status);
    void openWindow(const QString& text);

    const ScreenList& m_screens;
    WindowRoles& m_roles;
    Clipboard& m_clipboard;
    QPointer<QWidget> m_toast;   // deletes itself when it closes
    QPointer<QWidget> m_window;  // likewise
};

}  // namespace moxilane
