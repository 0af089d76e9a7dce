#include "app/TextResultPresenter.h"

#include "delivery/ThumbnailPlacement.h"
#include "platform/ScreenLayout.h"
#include "platform/Screens.h"
#include "platform/Services.h"
#include "platform/WindowRoles.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace moxilane {

namespace {

constexpr int kToastWidthPoints = 260;
constexpr int kPreviewLines = 3;

// The first lines of the text, each cut to the toast's width.
QString previewOf(const QString& text, const QFontMetrics& metrics, int widthPx) {
    QStringList lines;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (lines.size() == kPreviewLines) break;
        lines << metrics.elidedText(line.simplified(), Qt::ElideRight, widthPx);
    }
    return lines.join(u'\n');
}

class ToastWidget final : public QWidget {
public:
    ToastWidget(WindowRoles& roles, std::function<void()> onClick) : m_onClick(std::move(onClick)) {
        roles.prepare(*this, WindowRole::thumbnail);
        setAttribute(Qt::WA_DeleteOnClose);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(TextResultPresenter::toastTitle());
        setAutoFillBackground(true);
        QPalette colors = palette();
        colors.setColor(QPalette::Window, QColor(40, 40, 40));
        colors.setColor(QPalette::WindowText, Qt::white);
        setPalette(colors);
        if (m_onClick) setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (event->button() == Qt::LeftButton && m_onClick) m_onClick();
        close();
    }

private:
    std::function<void()> m_onClick;
};

}  // namespace

TextResultPresenter::~TextResultPresenter() {
    delete m_toast.data();
    delete m_window.data();
}

void TextResultPresenter::showText(const QString& text, bool copied) {
    showToast(text,
              copied ? QStringLiteral("Copied") : QStringLiteral("Not copied. Click to open it."));
}

void TextResultPresenter::showNoText() {
    showToast({}, QStringLiteral("No text found"));
}

void TextResultPresenter::showToast(const QString& text, const QString& status) {
    if (m_toast) m_toast->close();
    const ScreenLayout layout = m_screens.layout();
    const ScreenLayout::Screen* screen = layout.primary();
    if (!screen) return;
    auto* toast = new ToastWidget(
        m_roles, text.isEmpty() ? std::function<void()>{} : [this, text] { openWindow(text); });
    auto* column = new QVBoxLayout(toast);
    column->setContentsMargins(12, 10, 12, 10);
    const int textWidth = kToastWidthPoints - 24;
    if (!text.isEmpty()) {
        auto* preview = new QLabel(previewOf(text, toast->fontMetrics(), textWidth), toast);
        preview->setTextFormat(Qt::PlainText);
        column->addWidget(preview);
    }
    auto* statusLabel = new QLabel(status, toast);
    QFont bold = statusLabel->font();
    bold.setBold(true);
    statusLabel->setFont(bold);
    column->addWidget(statusLabel);
    const QSize size(kToastWidthPoints, column->sizeHint().height());
    toast->setFixedSize(size);
    toast->setGeometry(thumbnailFramePoints(screen->workArea, QSizeF(size)).toAlignedRect());
    QTimer::singleShot(kToastMs, toast, &QWidget::close);
    m_toast = toast;
    toast->show();
    toast->raise();
}

void TextResultPresenter::openWindow(const QString& text) {
    if (m_window) m_window->close();
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(windowTitle());
    auto* column = new QVBoxLayout(window);
    auto* view = new QPlainTextEdit(text, window);
    view->setReadOnly(true);
    column->addWidget(view);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* copy = new QPushButton(QStringLiteral("Copy"), window);
    QObject::connect(copy, &QPushButton::clicked, window,
                     [this, text] { m_clipboard.setText(text); });
    row->addWidget(copy);
    column->addLayout(row);
    window->resize(520, 360);
    m_window = window;
    window->show();
    window->activateWindow();
}

}  // namespace moxilane
