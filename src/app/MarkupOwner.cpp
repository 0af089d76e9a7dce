#include "app/MarkupOwner.h"

#include "platform/MemoryRelease.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

namespace moxilane {

MarkupOwner::MarkupOwner(const ScreenList& screens, EditedCaptureStore::Services store,
                         MarkupEditorController::Services editor, PinBoard::Services pins)
    : m_screens(screens), m_store(store), m_editorServices(editor), m_pins(pins) {
    m_spareRelease.setSingleShot(true);
    m_spareRelease.setInterval(kKeepSpareFor);
    QObject::connect(&m_spareRelease, &QTimer::timeout, qApp,
                     [this] { letGo(std::move(m_spare)); });
}

MarkupOwner::~MarkupOwner() = default;

std::unique_ptr<MarkupEditorController> MarkupOwner::makeEditor(const QImage& image, double scale) {
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* primary = layout.primary();
    std::optional<QSizeF> workArea;
    if (primary) workArea = primary->workArea.size();
    if (m_spare) {
        m_spareRelease.stop();
        m_spare->reuse(image, scale, workArea);
        return std::move(m_spare);
    }
    return std::make_unique<MarkupEditorController>(image, scale, m_editorServices, workArea);
}

void MarkupOwner::keepSpare(std::unique_ptr<MarkupEditorController> editor) {
    editor->dropCapture();
    letGo(std::move(m_spare));
    m_spare = std::move(editor);
    m_spareRelease.start();
}

void MarkupOwner::letGo(std::unique_ptr<MarkupEditorController> editor) {
    if (!editor) return;
    // Its image, canvas and backing store are freed only once it is gone.
    QObject::connect(editor.get(), &QObject::destroyed, qApp,
                     [] { QTimer::singleShot(0, qApp, &returnFreedMemory); });
    // Later: it may be telling us from inside its own close event.
    editor.release()->deleteLater();
}

std::shared_ptr<void> MarkupOwner::prepareMarkupEditor(const QImage& image, double scale) {
    const int id = m_nextPreparedId++;
    std::weak_ptr<bool> alive = m_alive;
    auto token = std::shared_ptr<void>(nullptr, [this, alive, id](void*) {
        if (alive.expired()) return;
        const auto found = std::ranges::find(m_prepared, id, &Prepared::id);
        if (found == m_prepared.end()) return;
        keepSpare(std::move(found->editor));
        m_prepared.erase(found);
    });
    std::weak_ptr<void> wanted = token;
    QTimer::singleShot(kPrepareAfter, qApp, [this, alive, wanted, id, image, scale] {
        if (alive.expired() || wanted.expired()) return;
        auto editor = makeEditor(image, scale);
        const ScreenLayout layout = m_screens.layout();
        const ScreenLayout::Screen* primary = layout.primary();
        editor->prepare(primary ? std::optional(primary->workArea) : std::nullopt);
        m_prepared.push_back({id, image.cacheKey(), scale, std::move(editor)});
    });
    return token;
}

void MarkupOwner::openMarkupEditor(const QImage& image, double scale,
                                   const SavedFiles& savedFiles) {
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* primary = layout.primary();
    std::unique_ptr<MarkupEditorController> editor;
    const auto ready = std::find_if(m_prepared.begin(), m_prepared.end(), [&](const Prepared& p) {
        return p.imageKey == image.cacheKey() && p.scale == scale;
    });
    if (ready != m_prepared.end()) {
        editor = std::move(ready->editor);
        m_prepared.erase(ready);
    } else {
        editor = makeEditor(image, scale);
    }
    MarkupEditorController* raw = editor.get();
    std::weak_ptr<bool> alive = m_alive;
    raw->onSave = [this, alive](const QImage& edited, double editedScale) {
        if (!alive.expired()) saveEditedImage(edited, editedScale);
    };
    raw->onDiscard = [this, alive, savedFiles] {
        if (!alive.expired()) discardCapture(savedFiles);
    };
    raw->onPin = [this, alive](const QImage& rendered, double renderedScale) {
        if (!alive.expired()) pin(rendered, renderedScale);
    };
    raw->onClosed = [this, alive, raw] {
        if (!alive.expired()) editorClosed(raw);
    };
    m_markupEditors.push_back(std::move(editor));
    raw->present(primary ? std::optional(primary->workArea) : std::nullopt);
}

void MarkupOwner::saveEditedImage(const QImage& image, double scale) {
    static_cast<void>(m_store.saveEditedImage(image, scale));
}

void MarkupOwner::discardCapture(const SavedFiles& savedFiles) {
    m_store.discardCapture(savedFiles);
}

void MarkupOwner::pin(const QImage& image, double scale) {
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* primary = layout.primary();
    m_pins.pin(image, scale, primary ? std::optional(primary->workArea) : std::nullopt);
}

void MarkupOwner::editorClosed(MarkupEditorController* editor) {
    const auto found = std::find_if(m_markupEditors.begin(), m_markupEditors.end(),
                                    [editor](const auto& open) { return open.get() == editor; });
    if (found == m_markupEditors.end()) return;
    keepSpare(std::move(*found));
    m_markupEditors.erase(found);
}

}  // namespace moxilane
