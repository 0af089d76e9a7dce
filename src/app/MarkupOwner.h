#pragma once

#include "app/PinBoard.h"
#include "delivery/EditedCaptureStore.h"
#include "markup/MarkupEditorController.h"
#include "platform/Screens.h"

#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

namespace moxilane {

// Opens a markup editor per thumbnail click and keeps each alive until its window closes;
// the last one closed, hidden, serves the next capture for a while. Its Save and Discard go
// to the edited-capture store, its Pin to the pin board.
class MarkupOwner {
public:
    MarkupOwner(const ScreenList& screens, EditedCaptureStore::Services store,
                MarkupEditorController::Services editor, PinBoard::Services pins);
    ~MarkupOwner();

    // Opens the editor on the capture: the one made ready for it, if any, else a new one.
    void openMarkupEditor(const QImage& image, double scale, const SavedFiles& savedFiles);
    // Makes ready, hidden, the editor a click on the thumbnail of image would open: kPrepareAfter
    // from now, so the thumbnail is on screen first. It goes with the last copy of the
    // returned token, which the thumbnail's actions hold.
    std::shared_ptr<void> prepareMarkupEditor(const QImage& image, double scale);
    static constexpr std::chrono::milliseconds kPrepareAfter{200};
    // How long the last editor's window, closed or not opened, is kept for the next capture.
    static constexpr std::chrono::seconds kKeepSpareFor{120};
    void saveEditedImage(const QImage& image, double scale);
    void discardCapture(const SavedFiles& savedFiles);
    // Pins the image to the primary screen.
    void pin(const QImage& image, double scale);

private:
    struct Prepared {
        int id;
        qint64 imageKey;
        double scale;
        std::unique_ptr<MarkupEditorController> editor;
    };
    std::unique_ptr<MarkupEditorController> makeEditor(const QImage& image, double scale);
    void editorClosed(MarkupEditorController* editor);
    void keepSpare(std::unique_ptr<MarkupEditorController> editor);
    static void letGo(std::unique_ptr<MarkupEditorController> editor);

    const ScreenList& m_screens;
    EditedCaptureStore m_store;
    MarkupEditorController::Services m_editorServices;
    std::vector<std::unique_ptr<MarkupEditorController>> m_markupEditors;
    std::vector<Prepared> m_prepared;
    int m_nextPreparedId = 0;
    // Hidden, without a capture: the next editor takes over its window.
    std::unique_ptr<MarkupEditorController> m_spare;
    QTimer m_spareRelease;
    PinBoard m_pins;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace moxilane
