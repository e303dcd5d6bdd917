// The program's message boxes show their text as written: a path or a
// system's message with markup-like parts in it is not formatted.
#include "shell/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace zelkor;

namespace
{
QMessageBox* shownBox()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}
} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void textIsShownAsWritten_data()
    {
        QTest::addColumn<bool>("waits"); // asks and waits for OK, or only tells
        QTest::newRow("information") << true;
        QTest::newRow("notice") << false;
    }
    void textIsShownAsWritten()
    {
        QFETCH(bool, waits);
        const QString text = QStringLiteral("/home/ann/<b>notes</b>.txt could not be opened.");
        Qt::TextFormat format = Qt::AutoText;
        QString shownText;
        const auto look = [&] {
            QMessageBox* box = shownBox();
            QVERIFY(box);
            format = box->textFormat();
            shownText = box->text();
            box->button(QMessageBox::Ok)->click();
        };
        if (waits) {
            QTimer::singleShot(0, this, look);
            MessageBox::information(nullptr, text);
        } else {
            MessageBox::notify(nullptr, text);
            look();
        }
        QCOMPARE(shownText, text);
        QCOMPARE(format, Qt::PlainText);
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
