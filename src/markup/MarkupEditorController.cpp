#include "markup/MarkupEditorController.h"

#include "capture/PngWriter.h"
#include "markup/EditorWindowSize.h"
#include "markup/MarkupToolIcon.h"
#include "markup/ShareMenu.h"
#include "platform/Questions.h"
#include "platform/Services.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace moxilane {

namespace {

struct Thickness {
    const char* label;
    double lineWidthPoints;
    double fontImagePx;
};
constexpr std::array<Thickness, 3> kThicknesses{
    {{"S", 2.0, 28.0}, {"M", 4.0, 40.0}, {"L", 8.0, 64.0}}};

// Fixed, so the bar looks the same under every style and font.
constexpr int kButtonSide = 32;

// Red, orange, yellow, green, blue, black, white.
const std::array<QColor, 7> kSwatchColors{
    systemRed(),         QColor(255, 149, 0), QColor(255, 204, 0), QColor(52, 199, 89),
    QColor(0, 122, 255), QColor(Qt::black),   QColor(Qt::white)};

}  // namespace

MarkupEditorController::MarkupEditorController(const QImage& image, double scale, Services services,
                                               std::optional<QSizeF> workAreaPoints)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMaximizeButtonHint),
      m_services(services),
      m_imageScale(scale > 0 ? scale : 1.0),
      m_canvas(new MarkupCanvasView(image, this)) {
    setWindowTitle(windowTitleText());
    const QSizeF content = markupEditorContentSize(image.size(), m_imageScale, workAreaPoints);
    resize(content.toSize());
    buildUI(kEditorToolbarHeight);
    m_canvas->canvas().setOnChange([this] { updateButtons(); });
}

MarkupEditorController::~MarkupEditorController() = default;

void MarkupEditorController::buildUI(double toolbarHeight) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    // A tool bar, so that on a narrow screen what does not fit moves into its overflow menu
    // instead of widening the window past the screen.
    auto* bar = new QToolBar(this);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(static_cast<int>(toolbarHeight));
    bar->layout()->setSpacing(10);

    bar->addWidget(makeToolSelector());
    bar->addWidget(makeSwatches());
    bar->addWidget(makeThickness());
    m_undoButton =
        makeActionButton(QStringLiteral("arrow.uturn.backward"), QStringLiteral("Undo (Ctrl+Z)"));
    m_redoButton = makeActionButton(QStringLiteral("arrow.uturn.forward"),
                                    QStringLiteral("Redo (Ctrl+Shift+Z)"));
    QToolButton* discard =
        makeActionButton(QStringLiteral("trash"), QStringLiteral("Discard this screenshot"));
    connect(m_undoButton, &QToolButton::clicked, this, [this] { m_canvas->undo(); });
    connect(m_redoButton, &QToolButton::clicked, this, [this] { m_canvas->redo(); });
    connect(discard, &QToolButton::clicked, this, [this] { discardAction(); });
    bar->addWidget(m_undoButton);
    bar->addWidget(m_redoButton);
    bar->addWidget(discard);
    auto* gap = new QWidget(bar);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(gap);

    m_shareButton =
        makeActionButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Share"));
    connect(m_shareButton, &QToolButton::clicked, this, [this] { shareAction(); });
    QToolButton* copy = makeTextButton(QStringLiteral("Copy"));
    QToolButton* save = makeTextButton(QStringLiteral("Save"));
    QToolButton* done = makeTextButton(QStringLiteral("Done"));
    connect(copy, &QToolButton::clicked, this, [this] { copyAction(); });
    connect(save, &QToolButton::clicked, this, [this] { saveAction(); });
    connect(done, &QToolButton::clicked, this, [this] { close(); });
    for (QToolButton* button : {m_shareButton, copy, save, done})
        bar->addWidget(button);

    root->addWidget(bar);
    root->addWidget(m_canvas, 1);
    m_canvas->canvas().setCurrentTool(MarkupTool::arrow);
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
        button->setChecked(tool == MarkupTool::arrow);
        group->addButton(button, rawValue(tool));
        layout->addWidget(button);
    }
    group->setExclusive(true);
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
    for (const QColor& color : kSwatchColors) {
        auto* swatch = new QToolButton(box);
        swatch->setFixedSize(18, 18);
        swatch->setAccessibleName(color.name());
        swatch->setStyleSheet(
            QStringLiteral("QToolButton { background: %1; border: 1px solid rgba(0,0,0,64);"
                           " border-radius: 9px; }")
                .arg(color.name()));
        connect(swatch, &QToolButton::clicked, this,
                [this, color] { m_canvas->canvas().setCurrentColor(color); });
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
        button->setCheckable(true);
        button->setFixedSize(kButtonSide, kButtonSide);
        button->setChecked(i == 1);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->setExclusive(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        const Thickness& t =
            (id >= 0 && id < int(kThicknesses.size())) ? kThicknesses[id] : kThicknesses[1];
        m_canvas->canvas().setCurrentLineWidthPoints(t.lineWidthPoints);
        m_canvas->canvas().setCurrentFontImagePx(t.fontImagePx);
    });
    return box;
}

QToolButton* MarkupEditorController::makeActionButton(const QString& symbol,
                                                      const QString& toolTip) {
    auto* button = new QToolButton(this);
    button->setIcon(markupSymbolIcon(symbol));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSide, kButtonSide);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    return button;
}

QToolButton* MarkupEditorController::makeTextButton(const QString& text) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedSize(2 * kButtonSide, kButtonSide);
    return button;
}

void MarkupEditorController::updateButtons() {
    m_undoButton->setEnabled(m_canvas->canvas().canUndo());
    m_redoButton->setEnabled(m_canvas->canvas().canRedo());
}

void MarkupEditorController::present() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
    m_canvas->setFocus(Qt::ActiveWindowFocusReason);
}

void MarkupEditorController::copyAction() {
    const auto image = m_canvas->render();
    if (!image) return;
    if (const auto png = pngData(*image, m_imageScale)) m_services.clipboard.setPngImage(*png);
}

void MarkupEditorController::shareAction() {
    const auto image = m_canvas->render();
    if (!image) return;
    const QString path =
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("Screenshot-%1.png").arg(QDateTime::currentSecsSinceEpoch()));
    if (!writePNG(*image, path, m_imageScale)) return;
    QMenu* menu = makeShareMenu(path, m_services.desktop, m_services.alerts, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_shareButton->mapToGlobal(QPoint(0, m_shareButton->height())));
}

void MarkupEditorController::saveAction() {
    const auto image = m_canvas->render();
    if (image && onSave) onSave(*image, m_imageScale);
}

void MarkupEditorController::discardAction() {
    const bool confirmed = m_services.questions.ask(
        discardQuestion(),
        QStringLiteral("The screenshot and its saved file will be removed. This cannot be undone."),
        QStringLiteral("Discard"), QStringLiteral("Cancel"));
    if (!confirmed) return;
    if (onDiscard) onDiscard();
    close();
}

void MarkupEditorController::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (m_closed) return;
    m_closed = true;
    if (onClosed) onClosed();
}

}  // namespace moxilane
