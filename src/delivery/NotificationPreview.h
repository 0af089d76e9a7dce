#pragma once

#include "delivery/PreviewPresenter.h"

#include <QObject>

#include <functional>

namespace moxilane {

// The thumbnail as a desktop notification, where no window of ours may float at a corner
// (GNOME): the image, what became of it, and as its default action the editor. GNOME lets
// a program fill the clipboard only while the user works in one of its windows, which a
// capture from a shortcut is not, so where a copy was asked the text says it may be
// missing: the editor's Copy, run from a click there, works.
class NotificationPreview final : public QObject, public PreviewPresenter {
    Q_OBJECT
public:
    // copyAsked: whether the settings ask for the capture on the clipboard.
    explicit NotificationPreview(std::function<bool()> copyAsked);
    ~NotificationPreview() override;

    void show(const QImage& image, double scale, PreviewActions actions) override;
    void dismiss(bool animated) override;

    // The notification's text.
    [[nodiscard]] static QString body(bool copyAsked);

private slots:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    std::function<bool()> m_copyAsked;
    uint m_id = 0;
    PreviewActions m_actions;
};

}  // namespace moxilane
