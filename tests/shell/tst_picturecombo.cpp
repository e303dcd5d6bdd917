#include "shell/AppIcons.h"
#include "shell/AppStyle.h"
#include "shell/PictureCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

using namespace zelkor;

namespace {
void fill(QComboBox& combo)
{
    for (int code = 1; code <= 9; ++code)
        combo.addItem(actionIcon(code), QStringLiteral("Action %1").arg(code));
    combo.setCurrentIndex(2);
}
} // namespace

// A picture list looks and measures as a combo box given its picture size the
// usual way, but makes its drop-down list only when it first drops down.
class TestPictureCombo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    void asWithIconSizeListMadeAtFirstDrop_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("the action lists' 18 px") << kActionPictureSize;
        QTest::newRow("larger, 24 px") << 24;
        QTest::newRow("smaller, 12 px") << 12;
    }

    void asWithIconSizeListMadeAtFirstDrop()
    {
        QFETCH(int, size);
        const QSize pictureSize(size, size);
        QComboBox plain;
        plain.setIconSize(pictureSize);
        fill(plain);
        PictureCombo combo(size);
        fill(combo);

        QVERIFY(!combo.findChild<QAbstractItemView*>());
        QCOMPARE(combo.iconSize(), pictureSize);
        QCOMPARE(combo.sizeHint(), plain.sizeHint());
        QCOMPARE(combo.minimumSizeHint(), plain.minimumSizeHint());
        combo.resize(plain.sizeHint());
        plain.resize(plain.sizeHint());
        QCOMPARE(combo.grab().toImage(), plain.grab().toImage());
        QVERIFY(!combo.findChild<QAbstractItemView*>());

        combo.show();
        combo.showPopup();
        const auto* list = combo.findChild<QAbstractItemView*>();
        QVERIFY(list);
        QVERIFY(list->isVisible());
        QCOMPARE(list->iconSize(), pictureSize);
        QCOMPARE(combo.sizeHint(), plain.sizeHint()); // no new layout at the first drop
        combo.hidePopup();
    }
};

QTEST_MAIN(TestPictureCombo)
#include "tst_picturecombo.moc"
