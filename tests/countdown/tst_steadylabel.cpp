#include "countdown/SteadyLabel.h"

#include <QApplication>
#include <QTest>

using namespace zelkor;

namespace {
// Counts the layouts the label asks of its parent.
struct LayoutCounter : QObject {
    int layouts = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            ++layouts;
        return false;
    }
};
} // namespace

class TestSteadyLabel : public QObject {
    Q_OBJECT
private slots:
    // Every text fits whole; while only digits change, the label keeps its
    // size and asks for no layout.
    void fitsEveryTextAndGrowsOnlyForMore_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("pointSize"); // set before the last text; 0: none
        QTest::addColumn<int>("resized");   // texts after the first that resized it
        const auto seconds = [](const QString& pattern) {
            QStringList texts;
            for (int s = 0; s < 10; ++s)
                texts << pattern.arg(s);
            return texts;
        };
        QTest::newRow("the seconds tick") << seconds(QStringLiteral("7 Dec 2026 08:00:0%1  Mon")) << 0 << 0;
        QTest::newRow("minutes and hours tick")
            << QStringList{"9 hours 58 minutes ", "9 hours 59 minutes ", "1 hours 00 minutes "} << 0 << 0;
        QTest::newRow("the hours gain a digit")
            << QStringList{"9 hours 59 minutes ", "10 hours 00 minutes ", "10 hours 01 minutes "} << 0 << 1;
        QTest::newRow("a longer text, then a shorter one")
            << QStringList{"1 Dec 2026  Mon", "1 Dec 2026  Mon, Tue", "2 Dec 2026  Mon"} << 0 << 1;
        QTest::newRow("a larger font") << QStringList{"7 Dec 2026 08:00:00", "7 Dec 2026 08:00:01"} << 30 << 1;
    }
    void fitsEveryTextAndGrowsOnlyForMore()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, pointSize);
        QFETCH(int, resized);
        QWidget parent;
        SteadyLabel label(&parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        LayoutCounter counter;
        int resizes = 0;
        int settledLayouts = 0;
        for (int i = 0; i < texts.size(); ++i) {
            if (pointSize && i == texts.size() - 1) {
                QFont font = label.font();
                font.setPointSize(pointSize);
                label.setFont(font);
            }
            const QSize before = label.size();
            QCoreApplication::processEvents();
            counter.layouts = 0;
            parent.installEventFilter(&counter);
            label.showText(texts.at(i));
            QCoreApplication::processEvents();
            parent.removeEventFilter(&counter);
            QCOMPARE(label.text(), texts.at(i));
            QVERIFY2(label.fontMetrics().horizontalAdvance(texts.at(i)) <= label.contentsRect().width(),
                     qPrintable(texts.at(i)));
            QCOMPARE(label.height(), label.sizeHint().height());
            if (i == 0)
                continue;
            if (label.size() != before)
                ++resizes;
            else
                settledLayouts += counter.layouts;
            QVERIFY2(label.width() >= before.width(), "it never narrows");
        }
        QCOMPARE(resizes, resized);
        QCOMPARE(settledLayouts, 0);
    }
};

QTEST_MAIN(TestSteadyLabel)
#include "tst_steadylabel.moc"
