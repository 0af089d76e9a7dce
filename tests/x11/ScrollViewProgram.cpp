// A window that shows the tall test page in a scroll area, for the scrolling-capture tests.
// Arguments: x y width height of the window, and a file to which it writes "viewport X Y"
// once shown and "offset N" after every scroll, so the test knows what is on screen.
#include "TallPage.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <QFile>

namespace {

// One wheel step scrolls exactly 60 pixels, whatever the desktop's wheel settings say,
// so the test knows each step.
class WheelSteps final : public QObject {
public:
    explicit WheelSteps(QScrollBar* bar) : m_bar(bar) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        const int dy = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (dy != 0) m_bar->setValue(m_bar->value() + (dy < 0 ? 60 : -60));
        return true;
    }

private:
    QScrollBar* m_bar;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 6) return 2;
    QFile log(QString::fromLocal8Bit(argv[5]));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return 2;
    const QRect geometry(atoi(argv[1]), atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
    QScrollArea area;
    area.setWindowFlags(Qt::FramelessWindowHint);
    area.setFrameShape(QFrame::NoFrame);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(moxilane::test::tallPage()));
    label->setContentsMargins(0, 0, 0, 0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFixedSize(label->pixmap().size());  // adjustSize() would stop at the screen
    area.setWidget(label);
    area.setGeometry(geometry);
    QObject::connect(area.verticalScrollBar(), &QScrollBar::valueChanged, [&log](int value) {
        log.write(QByteArray("offset ") + QByteArray::number(value) + "\n");
    });
    WheelSteps steps(area.verticalScrollBar());
    area.viewport()->installEventFilter(&steps);
    area.show();
    QTimer::singleShot(500, [&] {
        const QPoint at = area.viewport()->mapToGlobal(QPoint(0, 0));
        log.write(QByteArray("viewport ") + QByteArray::number(at.x()) + " " +
                  QByteArray::number(at.y()) + "\n");
    });
    return QApplication::exec();
}
