#pragma once

#include "app/PinBoard.h"
#include "delivery/EditedCaptureStore.h"
#include "markup/MarkupEditorController.h"
#include "platform/Screens.h"

#include <memory>
#include <vector>

namespace moxilane {

// Opens a markup editor per thumbnail click and keeps each alive until its window closes;
// its Save and Discard go to the edited-capture store, its Pin to the pin board.
class MarkupOwner {
public:
    MarkupOwner(const ScreenList& screens, EditedCaptureStore::Services store,
                MarkupEditorController::Services editor, PinBoard::Services pins);
    ~MarkupOwner();

    void openMarkupEditor(const QImage& image, double scale, const SavedFiles& savedFiles);
    void saveEditedImage(const QImage& image, double scale);
    void discardCapture(const SavedFiles& savedFiles);
    // Pins the image to the primary screen.
    void pin(const QImage& image, double scale);

private:
    void editorClosed(MarkupEditorController* editor);

    const ScreenList& m_screens;
    EditedCaptureStore m_store;
    MarkupEditorController::Services m_editorServices;
    std::vector<std::unique_ptr<MarkupEditorController>> m_markupEditors;
    PinBoard m_pins;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace moxilane
