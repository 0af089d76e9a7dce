#pragma once

#include "delivery/PreviewPresenter.h"

#include <QObject>

namespace moxilane {

// The thumbnail as a desktop notification, where no window of ours may float at a corner
// (GNOME): the image, what became of it, and as its default action the editor. GNOME takes
// a copy only from the program whose window the user works in, which a capture from a
// shortcut has not: then the text says the image was not copied, and the editor's Copy,
// run from a click there, works.
class NotificationPreview final : public QObject, public PreviewPresenter {
    Q_OBJECT
public:
    NotificationPreview();
    ~NotificationPreview() override;

    void show(const QImage& image, double scale, PreviewActions actions) override;
    void dismiss(bool animated) override;
    // A notification stays in the desktop's list until the user clears it.
    bool leavesSoon() const override { return false; }

    // The notification's text.
    [[nodiscard]] static QString body(const PreviewActions& outcome);

private slots:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    uint m_id = 0;
    PreviewActions m_actions;
};

}  // namespace moxilane
