#include "markup/MarkupEditorController.h"

#include "capture/PngWriter.h"
#include "markup/EditorBar.h"
#include "markup/EditorWindowSize.h"
#include "markup/MarkupToolIcon.h"
#include "markup/ShareMenu.h"
#include "platform/Questions.h"
#include "platform/Services.h"
#include "platform/WindowRoles.h"
#include "platform/posix/PrivateFiles.h"

#include <QBackingStore>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace moxilane {

namespace {

struct Thickness {
    const char* label;
    const char* name;  // what a screen reader says
    double lineWidthPoints;
    double fontImagePx;
};
constexpr std::array<Thickness, 3> kThicknesses{
    {{"S", "Small", 2.0, 28.0}, {"M", "Medium", 4.0, 40.0}, {"L", "Large", 8.0, 64.0}}};
constexpr int kMedium = 1;  // what a canvas starts with
// How often a store's first write is looked at: it takes 60-170 ms at 4K.
constexpr int kTouchWatchMs = 10;

// Fixed, so the bar looks the same under every style and font.
constexpr int kButtonSide = 32;

struct Swatch {
    const char* name;  // what a screen reader says
    QColor color;
};
const std::array<Swatch, 7> kSwatches{{{"Red", systemRed()},
                                       {"Orange", QColor(255, 149, 0)},
                                       {"Yellow", QColor(255, 204, 0)},
                                       {"Green", QColor(52, 199, 89)},
                                       {"Blue", QColor(0, 122, 255)},
                                       {"Black", QColor(Qt::black)},
                                       {"White", QColor(Qt::white)}}};

}  // namespace

MarkupEditorController::MarkupEditorController(const QImage& image, double scale, Services services,
                                               std::optional<QSizeF> workAreaPoints)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMaximizeButtonHint),
      m_services(services) {
    m_touchWatch.setInterval(kTouchWatchMs);
    connect(&m_touchWatch, &QTimer::timeout, this, [this] { watchTouching(); });
    setWindowTitle(windowTitleText());
    m_bar = buildUI();
    showCapture(image, scale, workAreaPoints);
}

MarkupEditorController::~MarkupEditorController() {
    m_stopTouching = true;  // m_touchingPages then ends before the backing store goes
}

EditorBar* MarkupEditorController::buildUI() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    // Every item in reach: where the window is too narrow for one row, the trailing group
    // takes a second.
    auto* bar = new EditorBar(this);
    bar->setAccessibleName(QStringLiteral("Markup tools"));
    bar->addLeading(makeToolSelector());
    bar->addLeading(makeSwatches());
    bar->addLeading(makeThickness());
    m_undoButton = makeActionButton(QStringLiteral("arrow.uturn.backward"), QStringLiteral("Undo"),
                                    QStringLiteral("Undo (Ctrl+Z)"));
    m_redoButton = makeActionButton(QStringLiteral("arrow.uturn.forward"), QStringLiteral("Redo"),
                                    QStringLiteral("Redo (Ctrl+Shift+Z)"));
    QToolButton* discard = makeActionButton(QStringLiteral("trash"), QStringLiteral("Discard"),
                                            QStringLiteral("Discard this screenshot"));
    connect(m_undoButton, &QToolButton::clicked, this, [this] { m_canvas->undo(); });
    connect(m_redoButton, &QToolButton::clicked, this, [this] { m_canvas->redo(); });
    connect(discard, &QToolButton::clicked, this, [this] { discardAction(); });
    for (QToolButton* button : {m_undoButton, m_redoButton, discard})
        bar->addLeading(button);

    m_shareButton = makeActionButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Share"),
                                     QStringLiteral("Share"));
    connect(m_shareButton, &QToolButton::clicked, this, [this] { shareAction(); });
    QToolButton* pin = makeTextButton(QStringLiteral("Pin"));
    pin->setToolTip(QStringLiteral("Pin to Screen"));
    connect(pin, &QToolButton::clicked, this, [this] { pinAction(); });
    QToolButton* copy = makeTextButton(QStringLiteral("Copy"));
    QToolButton* save = makeTextButton(QStringLiteral("Save"));
    QToolButton* done = makeTextButton(QStringLiteral("Done"));
    connect(copy, &QToolButton::clicked, this, [this] { copyAction(); });
    connect(save, &QToolButton::clicked, this, [this] { saveAction(); });
    connect(done, &QToolButton::clicked, this, [this] { close(); });
    for (QToolButton* button : {pin, m_shareButton, copy, save, done})
        bar->addTrailing(button);

    root->addWidget(bar);
    return bar;
}

void MarkupEditorController::showCapture(const QImage& image, double scale,
                                         std::optional<QSizeF> workAreaPoints) {
    m_imageScale = scale > 0 ? scale : 1.0;
    replaceCanvas(image);
    m_tools->button(rawValue(MarkupTool::arrow))->setChecked(true);
    m_thickness->button(kMedium)->setChecked(true);
    const EditorWindowLayout layout =
        markupEditorLayout(image.size(), m_imageScale, workAreaPoints, m_bar->widths());
    setMinimumWidth(int(std::ceil(layout.minimumWidth)));
    resize(layout.content.toSize());
}

void MarkupEditorController::replaceCanvas(const QImage& image) {
    auto* canvas = new MarkupCanvasView(image, this);
    if (m_canvas) {
        delete layout()->replaceWidget(m_canvas, canvas);  // the old canvas's item is ours
        m_canvas->hide();
        // Later: this may run inside one of the old canvas's own events (a key that closes).
        m_canvas->deleteLater();
    } else {
        static_cast<QVBoxLayout*>(layout())->addWidget(canvas, 1);
    }
    m_canvas = canvas;
    m_canvas->canvas().setCurrentTool(MarkupTool::arrow);
    m_canvas->canvas().setOnChange([this] { updateButtons(); });
    updateButtons();
}

QWidget* MarkupEditorController::makeToolSelector() {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* group = new QButtonGroup(box);
    for (MarkupTool tool : allMarkupTools) {
        auto* button = new QToolButton(box);
        button->setIcon(markupToolIcon(tool));
        button->setAccessibleName(label(tool));
        button->setToolTip(label(tool));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setIconSize(QSize(20, 20));
        button->setFixedSize(kButtonSide, kButtonSide);
        group->addButton(button, rawValue(tool));
        layout->addWidget(button);
    }
    group->setExclusive(true);
    m_tools = group;
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        m_canvas->canvas().setCurrentTool(markupToolFromRaw(id).value_or(MarkupTool::arrow));
    });
    return box;
}

QWidget* MarkupEditorController::makeSwatches() {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (const auto& [name, color] : kSwatches) {
        auto* swatch = new QToolButton(box);
        swatch->setFixedSize(18, 18);
        swatch->setAccessibleName(QString::fromLatin1(name));
        swatch->setStyleSheet(
            QStringLiteral("QToolButton { background: %1; border: 1px solid rgba(0,0,0,64);"
                           " border-radius: 9px; }")
                .arg(color.name()));
        connect(swatch, &QToolButton::clicked, this,
                [this, color = color] { m_canvas->canvas().setCurrentColor(color); });
        layout->addWidget(swatch);
    }
    return box;
}

QWidget* MarkupEditorController::makeThickness() {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < int(kThicknesses.size()); ++i) {
        auto* button = new QToolButton(box);
        button->setText(QString::fromLatin1(kThicknesses[i].label));
        button->setAccessibleName(QString::fromLatin1(kThicknesses[i].name));
        button->setCheckable(true);
        button->setFixedSize(kButtonSide, kButtonSide);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->setExclusive(true);
    m_thickness = group;
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        const Thickness& t =
            (id >= 0 && id < int(kThicknesses.size())) ? kThicknesses[id] : kThicknesses[kMedium];
        m_canvas->canvas().setCurrentLineWidthPoints(t.lineWidthPoints);
        m_canvas->canvas().setCurrentFontImagePx(t.fontImagePx);
    });
    return box;
}

QToolButton* MarkupEditorController::makeActionButton(const QString& symbol, const QString& name,
                                                      const QString& toolTip) {
    auto* button = new QToolButton(this);
    button->setIcon(markupSymbolIcon(symbol));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSide, kButtonSide);
    button->setToolTip(toolTip);
    button->setAccessibleName(name);
    return button;
}

QToolButton* MarkupEditorController::makeTextButton(const QString& text) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedSize(2 * kButtonSide, kButtonSide);
    return button;
}

void MarkupEditorController::updateButtons() {
    m_undoButton->setEnabled(m_canvas->canvas().canUndo());
    m_redoButton->setEnabled(m_canvas->canvas().canRedo());
}

void MarkupEditorController::centreOn(std::optional<QRectF> workAreaPoints) {
    if (!workAreaPoints) return;
    QRect frame(QPoint(), size());
    frame.moveCenter(workAreaPoints->toRect().center());
    move(frame.topLeft());
}

void MarkupEditorController::prepare(std::optional<QRectF> workAreaPoints) {
    // Placed before the native window exists, as a window shown at once would be: the window
    // manager places a window moved after its creation by its client area, not its frame.
    centreOn(workAreaPoints);
    ensurePolished();
    if (layout()) layout()->activate();
    create();
    m_canvas->prepareFirstPaint();
    const std::span<uchar> memory = storeMemory();
    // A reused window's store keeps its memory when the size changes little.
    if (memory.empty() ||
        (memory.data() == m_storeWritten.data() && memory.size() <= m_storeWritten.size()))
        return;
    // On a worker, so a click or a hot key meanwhile is not held: nothing else writes to the
    // store before the window is shown, and present() waits for it. In steps, so that an
    // editor let go meanwhile stops it at once (the future's end waits for the task).
    m_stopTouching = false;
    m_touching = memory;
    m_touchingPages = std::async(std::launch::async, [this, memory] {
        constexpr size_t step = size_t(1) << 20;
        for (size_t done = 0; done < memory.size() && !m_stopTouching.load(); done += step)
            std::memset(memory.data() + done, 0, std::min(step, memory.size() - done));
    });
    m_touchWatch.start();
}

// Asked from here rather than told by the worker: a call queued from the worker's thread
// hands over memory through locks that ThreadSanitizer cannot see in Qt.
void MarkupEditorController::watchTouching() {
    if (m_touchingPages.valid() &&
        m_touchingPages.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    m_touchWatch.stop();
    if (!m_stopTouching.load()) storeWritten(m_touching);
}

// The backing store's memory at the window's size, the size its next paint asks for.
std::span<uchar> MarkupEditorController::storeMemory() {
    QBackingStore* store = backingStore();
    if (!store) return {};
    const QRect whole(QPoint(), size());
    store->resize(whole.size());
    store->beginPaint(whole);
    auto* image = dynamic_cast<QImage*>(store->paintDevice());
    const std::span<uchar> memory =
        image ? std::span(image->bits(), size_t(image->sizeInBytes())) : std::span<uchar>();
    store->endPaint();
    return memory;
}

void MarkupEditorController::storeWritten(std::span<uchar> memory) {
    m_storeWritten = memory;
    // Only once the pages are written: readying may give the store new memory.
    if (!isVisible() && m_services.roles) m_services.roles->readyStore(*this);
}

void MarkupEditorController::present(std::optional<QRectF> workAreaPoints) {
    centreOn(workAreaPoints);
    if (m_touchingPages.valid()) m_touchingPages.wait();
    m_shown = true;
    show();
    raise();
    activateWindow();
    m_canvas->setFocus(Qt::ActiveWindowFocusReason);
}

void MarkupEditorController::dropCapture() {
    m_stopTouching = true;
    m_touchWatch.stop();
    if (m_touchingPages.valid()) m_touchingPages.wait();
    // Shown, the window's paints wrote the whole store and sent it.
    if (m_shown) m_storeWritten = storeMemory();
    replaceCanvas(QImage());
}

void MarkupEditorController::reuse(const QImage& image, double scale,
                                   std::optional<QSizeF> workAreaPoints) {
    onSave = onPin = nullptr;
    onDiscard = onClosed = nullptr;
    m_closed = false;
    m_shown = false;
    setWindowState(Qt::WindowNoState);  // the user may have maximized it
    showCapture(image, scale, workAreaPoints);
}

void MarkupEditorController::copyAction() {
    const auto png = renderedPng();
    if (!png) {
        m_services.alerts.showAlert(QStringLiteral("Could Not Copy the Screenshot"), png.error());
        return;
    }
    m_services.clipboard.setPngImage(*png);
}

// A private file, never a predictable name in a shared folder: the receiving program gets
// the path, so no other user may read the file or plant a link there.
void MarkupEditorController::shareAction() {
    const auto png = renderedPng();
    const auto path = png ? PrivateFiles::forUser().create(QStringLiteral("Screenshot-"),
                                                           QStringLiteral(".png"), *png)
                          : std::unexpected(png.error());
    if (!path) {
        m_services.alerts.showAlert(QStringLiteral("Could Not Share the Screenshot"), path.error());
        return;
    }
    QMenu* menu = makeShareMenu(*path, m_services.desktop, m_services.alerts, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_shareButton->mapToGlobal(QPoint(0, m_shareButton->height())));
}

std::expected<QByteArray, QString> MarkupEditorController::renderedPng() {
    const auto image = m_canvas->render();
    if (!image)
        return std::unexpected(
            QStringLiteral("The screenshot with its markup could not be drawn: the image is empty "
                           "or there is not enough memory."));
    return pngData(*image, m_imageScale);
}

void MarkupEditorController::saveAction() {
    const auto image = m_canvas->render();
    if (image && onSave) onSave(*image, m_imageScale);
}

void MarkupEditorController::pinAction() {
    const auto image = m_canvas->render();
    if (!image) {
        m_services.alerts.showAlert(
            QStringLiteral("Could Not Pin the Screenshot"),
            QStringLiteral("The screenshot with its markup could not be drawn: the image is empty "
                           "or there is not enough memory."));
        return;
    }
    if (onPin) onPin(*image, m_imageScale);
}

void MarkupEditorController::discardAction() {
    const bool confirmed = m_services.questions.askWarning(
        this, discardQuestion(),
        QStringLiteral("The screenshot and its saved file will be removed. This cannot be undone."),
        QStringLiteral("Discard"), QStringLiteral("Cancel"));
    if (!confirmed) return;
    if (onDiscard) onDiscard();
    close();
}

void MarkupEditorController::closeEvent(QCloseEvent* event) {
    // Hidden, not closed: a closed window loses its native window and backing store, which
    // the next capture's editor may take over.
    event->ignore();
    hide();
    if (m_closed) return;
    m_closed = true;
    if (onClosed) onClosed();
}

}  // namespace moxilane
