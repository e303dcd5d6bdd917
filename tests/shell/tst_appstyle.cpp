#include "common/BuildInfo.h"
#include "shell/AppIcons.h"
#include "shell/AppStyle.h"
#include "support/Contrast.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
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

qint64 totalAlpha(const QImage& image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

QImage renderedProgramIcon(int size)
{
    QImageReader reader(QStringLiteral(":/zelkor/icons/%1x%1/apps/%2.png")
                            .arg(size)
                            .arg(QLatin1String(build::kAppId)),
                        "png");
    return reader.read();
}
} // namespace

// The pictures a start shows are drawn or read as what they are: no image
// format plugin is loaded and asked about them.
class TestAppStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    // The pictures drawn straight on the window stand out from it in a light
    // and in a dark theme (WCAG's 3:1 for graphics).
    void picturesShowOnTheWindow_data()
    {
        QTest::addColumn<QIcon>("icon");
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        const QColor light(0xef, 0xef, 0xef), dark(0x2a, 0x2e, 0x32);
        QTest::newRow("after, light") << pictureIcon(Picture::After) << light << QColor(Qt::black);
        QTest::newRow("after, dark") << pictureIcon(Picture::After) << dark << QColor(0xfc, 0xfc, 0xfc);
        QTest::newRow("no input, dark") << pictureIcon(Picture::NoInput) << dark << QColor(0xfc, 0xfc, 0xfc);
        QTest::newRow("chevron, dark") << chevronIcon(Qt::Horizontal) << dark << QColor(0xfc, 0xfc, 0xfc);
    }
    void picturesShowOnTheWindow()
    {
        QFETCH(QIcon, icon);
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        const QPalette desktop = QApplication::palette();
        QApplication::setPalette(QPalette(text, window));
        QImage shown(32, 32, QImage::Format_RGB32);
        shown.fill(window);
        {
            QPainter painter(&shown);
            icon.paint(&painter, shown.rect());
        }
        QApplication::setPalette(desktop);
        double best = 1.0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                best = std::max(best, test::contrastRatio(QColor(shown.pixel(x, y)), window));
        QVERIFY2(best >= 3.0, qPrintable(QString::number(best)));
    }

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

    // The program icon hands out the sizes rendered for the menu as they are,
    // and scales any other from the next larger one.
    void programIconSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("renderedSize");
        QTest::addColumn<bool>("disabled");
        QTest::newRow("16, as rendered") << 16 << 16 << false;
        QTest::newRow("128, as rendered") << 128 << 128 << false;
        QTest::newRow("20, from 22") << 20 << 22 << false;
        QTest::newRow("40, from 48") << 40 << 48 << false;
        QTest::newRow("300, from the largest") << 300 << 256 << false;
        QTest::newRow("32 disabled, faded") << 32 << 32 << true;
    }
    void programIconSizes()
    {
        QFETCH(int, size);
        QFETCH(int, renderedSize);
        QFETCH(bool, disabled);
        const QImage shown = appIcon()
                                 .pixmap(QSize(size, size), disabled ? QIcon::Disabled : QIcon::Normal)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(shown.size(), QSize(size, size));
        QImage expected = renderedProgramIcon(renderedSize);
        QVERIFY(!expected.isNull());
        if (size != renderedSize)
            expected = expected.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        expected.convertTo(QImage::Format_ARGB32_Premultiplied);
        if (!disabled) {
            QCOMPARE(shown, expected);
            return;
        }
        const double faded = 0.4 * double(totalAlpha(expected));
        QVERIFY2(qAbs(totalAlpha(shown) - faded) < 0.03 * faded,
                 qPrintable(QStringLiteral("%1 against %2").arg(totalAlpha(shown)).arg(faded)));
    }

    void otherPicturesStayTheStyles()
    {
        QVERIFY(!QApplication::style()->standardIcon(QStyle::SP_DialogOkButton).isNull());
    }
};

QTEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
