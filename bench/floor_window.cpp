// The floors the benchmarks compare the program with: a minimal Qt Widgets
// window whose one label shows the time, updated once a second, or the same
// program with its window never shown (a bare one-second timer). They cost
// what any toolkit program with a running clock costs, and nothing more.
//   floor_window [TITLE [hidden]]     (default title "Floor")
#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel clock;
    clock.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Floor"));
    clock.setMinimumSize(240, 60);
    clock.setAlignment(Qt::AlignCenter);
    const auto tick = [&clock] { clock.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); };
    tick();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &clock, tick);
    timer.start(1000);
    if (argc < 3 || qstrcmp(argv[2], "hidden") != 0)
        clock.show();
    return app.exec();
}
