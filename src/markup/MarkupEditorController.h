#pragma once

#include "markup/MarkupCanvasView.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <expected>
#include <functional>
#include <future>
#include <optional>
#include <span>

class QAbstractButton;
class QButtonGroup;
class QToolButton;

namespace moxilane {

class Alerts;
class Clipboard;
class EditorBar;
class Desktop;
class Questions;
class WindowRoles;

// One markup editor window for one capture at a time: the tool bar over the canvas, Pin,
// Share, Copy, Save, Discard and Done. Pinning, saving and discarding are the owner's: they
// are reported through onPin, onSave and onDiscard; onClosed is the last call, whenever the
// window closes (it is hidden, and may be reused).
class MarkupEditorController final : public QWidget {
public:
    struct Services {
        Questions& questions;
        Clipboard& clipboard;
        Desktop& desktop;
        Alerts& alerts;                // a Copy or Share that failed, with the reason
        WindowRoles* roles = nullptr;  // readies the window's store in prepare()
    };
    // The window is built but not shown; workAreaPoints sizes it (nothing: no screen).
    MarkupEditorController(const QImage& image, double scale, Services services,
                           std::optional<QSizeF> workAreaPoints);
    ~MarkupEditorController() override;

    // Does a first showing's slow work while the window is hidden, so that showing it only
    // maps and paints: the native window, the layout, the scaled capture, the first write to
    // every page of the window's backing store (on a virtual machine, faulting in a 4K
    // window's pages costs more than drawing into them), then the window system's first read
    // of them (roles). Centred as present() will centre it.
    void prepare(std::optional<QRectF> workAreaPoints = std::nullopt);

    // Brings the window forward, centred on the work area (global points, y down; nothing:
    // where it is), with the keyboard focus on the canvas.
    void present(std::optional<QRectF> workAreaPoints = std::nullopt);

    // Lets go of the capture and its markup: the window, closed, waits to be reused.
    void dropCapture();
    // Makes this hidden window the editor of another capture, as a new one would be: sized
    // for it, the arrow tool and medium lines chosen, nothing drawn, no callbacks. Its native
    // window and backing store stay, and with them memory already written by us and read by
    // the window system: on a virtual machine the first touch of a 4K store's pages, in each
    // process, costs more than the whole paint.
    void reuse(const QImage& image, double scale, std::optional<QSizeF> workAreaPoints);

    std::function<void(const QImage& image, double scale)> onSave;
    std::function<void(const QImage& image, double scale)> onPin;
    std::function<void()> onDiscard;
    std::function<void()> onClosed;

    static QString windowTitleText() { return QStringLiteral("Moxilane — Markup"); }
    static QString discardQuestion() { return QStringLiteral("Discard this screenshot?"); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    EditorBar* buildUI();
    void showCapture(const QImage& image, double scale, std::optional<QSizeF> workAreaPoints);
    void replaceCanvas(const QImage& image);
    std::span<uchar> storeMemory();
    void centreOn(std::optional<QRectF> workAreaPoints);
    QWidget* makeToolSelector();
    QWidget* makeSwatches();
    QWidget* makeThickness();
    QToolButton* makeActionButton(const QString& symbol, const QString& name,
                                  const QString& toolTip);
    QToolButton* makeTextButton(const QString& text);
    void updateButtons();
    void watchTouching();
    void storeWritten(std::span<uchar> memory);

    void copyAction();
    void shareAction();
    // The canvas drawn and encoded, or why not.
    std::expected<QByteArray, QString> renderedPng();
    void saveAction();
    void pinAction();
    void discardAction();

    Services m_services;
    double m_imageScale = 1.0;
    EditorBar* m_bar = nullptr;
    MarkupCanvasView* m_canvas = nullptr;
    QButtonGroup* m_tools = nullptr;
    QButtonGroup* m_thickness = nullptr;
    QToolButton* m_undoButton = nullptr;
    QToolButton* m_redoButton = nullptr;
    QToolButton* m_shareButton = nullptr;
    bool m_closed = false;
    bool m_shown = false;
    // The store's memory as it was when last written in full and sent to the window system.
    std::span<const uchar> m_storeWritten;
    // The first write to the backing store's pages; joined before the window shows or goes.
    std::atomic<bool> m_stopTouching = false;
    std::future<void> m_touchingPages;
    std::span<uchar> m_touching;
    QTimer m_touchWatch;
};

}  // namespace moxilane
