#include "shell/AppIcons.h"
#include "shell/AppStyle.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace zelkor;

namespace {
// Whether any image format plugin is mapped into this process.
bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

// Pixels that are not fully transparent: something was drawn.
int drawnPixels(const QIcon& icon, int size)
{
    const QImage image = icon.pixmap(size, size).toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}
} // namespace

// The pictures a start shows are drawn or read as what they are: no image
// format plugin is loaded and asked about them.
class TestAppStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    void picturesLoadNoImagePlugin_data()
    {
        QTest::addColumn<QString>("picture");
        // Once one has loaded a plugin, the rows after it fail too.
        QTest::newRow("program icon from its PNG") << "program";
        QTest::newRow("toolbar extension, horizontal") << "horizontal";
        QTest::newRow("toolbar extension, vertical") << "vertical";
    }
    void picturesLoadNoImagePlugin()
    {
        QFETCH(QString, picture);
        QVERIFY(!imagePluginLoaded());
        QIcon icon;
        if (picture == QLatin1String("program")) {
            icon = appIcon();
        } else {
            QToolBar bar;
            bar.setOrientation(picture == QLatin1String("vertical") ? Qt::Vertical : Qt::Horizontal);
            auto* extension = bar.findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
            QVERIFY(extension);
            icon = extension->icon();
        }
        QVERIFY(drawnPixels(icon, 32) > 20);
        QVERIFY(!imagePluginLoaded());
    }

    void otherPicturesStayTheStyles()
    {
        QVERIFY(!QApplication::style()->standardIcon(QStyle::SP_DialogOkButton).isNull());
    }
};

QTEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
