// The floors the benchmarks compare the program with: a minimal Qt Widgets
// window whose one label shows the time, updated once a second, or the same
// program with its window never shown (a bare one-second timer). They cost
// what any toolkit program with a running clock costs, and nothing more.
// "blank" shows a window that asks for a one-pixel repaint each second and
// paints nothing: what the toolkit's repaint alone costs, drawing aside.
//   floor_window [TITLE [hidden|blank]]     (default title "Floor")
#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

namespace {
class BlankWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {}
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QByteArray mode = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    const QString title = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Floor");
    QTimer timer;
    if (mode == "blank") {
        BlankWindow blank;
        blank.setWindowTitle(title);
        blank.setMinimumSize(240, 60);
        QObject::connect(&timer, &QTimer::timeout, &blank, [&blank] { blank.update(0, 0, 1, 1); });
        timer.start(1000);
        blank.show();
        return app.exec();
    }
    QLabel clock;
    clock.setWindowTitle(title);
    clock.setMinimumSize(240, 60);
    clock.setAlignment(Qt::AlignCenter);
    const auto tick = [&clock] { clock.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); };
    tick();
    QObject::connect(&timer, &QTimer::timeout, &clock, tick);
    timer.start(1000);
    if (mode != "hidden")
        clock.show();
    return app.exec();
}
