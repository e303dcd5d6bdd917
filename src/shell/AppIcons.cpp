#include "shell/AppIcons.h"

#include "common/BuildInfo.h"

#include <QDir>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <functional>

namespace zelkor {

namespace {
// Drawn rather than shipped: crisp at every size and no theme needed. Each
// icon is drawn only when it is shown, at the size it is shown: a start draws
// a few pictures instead of every size of every one, and never searches the
// desktop's icon themes.
using Drawing = std::function<void(QPainter&, const QRectF&)>;

constexpr qreal kDisabledOpacity = 0.4;
constexpr char kIconFolder[] = ":/zelkor/icons";

class DrawnIconEngine final : public QIconEngine {
public:
    explicit DrawnIconEngine(Drawing draw) : m_draw(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(kDisabledOpacity);
        m_draw(*painter, QRectF(rect));
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new DrawnIconEngine(m_draw); }
    QString key() const override { return QStringLiteral("zelkor-drawn"); }

private:
    Drawing m_draw;
};

QIcon drawn(Drawing draw) { return QIcon(new DrawnIconEngine(std::move(draw))); }

// The program's picture in the sizes rendered from the package's SVG, as the
// menu shows them. A size that is there is handed out as read, any other is
// scaled from the next larger one: no painter and no scaling for the sizes
// the window and the tray ask for. Read only when shown.
class ProgramIconEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        if (size.isEmpty())
            return {};
        QImage picture = read(qMax(size.width(), size.height()));
        if (picture.isNull())
            return {};
        if (picture.size() != size)
            picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Disabled) {
            QImage faded(picture.size(), QImage::Format_ARGB32_Premultiplied);
            faded.fill(Qt::transparent);
            QPainter painter(&faded);
            painter.setOpacity(kDisabledOpacity);
            painter.drawImage(0, 0, picture);
            painter.end();
            picture = std::move(faded);
        }
        return QPixmap::fromImage(std::move(picture));
    }
    QIconEngine* clone() const override { return new ProgramIconEngine; }
    QString key() const override { return QStringLiteral("zelkor-program"); }

private:
    static QImage read(int wanted)
    {
        // The sizes there are, smallest first; looked up once.
        static const QList<int> sizes = [] {
            QList<int> found;
            for (const QString& name : QDir(QLatin1String(kIconFolder)).entryList(QDir::Dirs))
                if (const int size = name.section(QLatin1Char('x'), 0, 0).toInt(); size > 0)
                    found << size;
            std::sort(found.begin(), found.end());
            return found;
        }();
        if (sizes.isEmpty())
            return {};
        const auto fitting = std::lower_bound(sizes.cbegin(), sizes.cend(), wanted);
        const int size = fitting == sizes.cend() ? sizes.last() : *fitting;
        // Read as PNG at once: a reader left to find out what the file is
        // first loads and asks every image format plugin on the system.
        QImageReader reader(QStringLiteral("%1/%2x%2/apps/%3.png")
                                .arg(QLatin1String(kIconFolder))
                                .arg(size)
                                .arg(QLatin1String(build::kAppId)),
                            "png");
        reader.setAutoDetectImageFormat(false);
        return reader.read();
    }
};

void powerSymbol(QPainter& p, const QRectF& r, const QColor& ring, const QColor& fill)
{
    const double size = qMin(r.width(), r.height());
    const QPointF origin = r.center() - QPointF(size / 2, size / 2);
    p.translate(origin);
    p.setBrush(fill);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.setPen(QPen(ring, size / 10.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(size * 0.25, size * 0.25, size * 0.5, size * 0.5);
    p.drawArc(arc, 120 * 16, 300 * 16);
    p.drawLine(QPointF(size / 2.0, size * 0.18), QPointF(size / 2.0, size * 0.5));
}

const QColor kActionColours[] = {
    QColor(0xc0, 0x30, 0x30), QColor(0xd0, 0x80, 0x20), QColor(0x80, 0x60, 0xb0),
    QColor(0x30, 0x80, 0xc0), QColor(0x20, 0x60, 0x90), QColor(0x60, 0x60, 0x60),
    QColor(0x30, 0xa0, 0x40), QColor(0xe0, 0xb0, 0x20), QColor(0x40, 0x90, 0x90),
};
const QColor kInk(0x40, 0x48, 0x50);

// The ink of lines drawn straight on the window: the designed grey on a light
// window, the theme's own text colour on a dark one, where grey would vanish.
// Read at each drawing, so a change of theme shows at the next repaint.
QColor inkOnWindow()
{
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightnessF() < 0.5 ? palette.color(QPalette::WindowText) : kInk;
}

// The mode pictures on a 16-unit grid, scaled to the size shown.
void modePicture(QPainter& p, const QRectF& r, Picture picture)
{
    const double unit = qMin(r.width(), r.height()) / 16.0;
    p.translate(r.center() - QPointF(8 * unit, 8 * unit));
    p.scale(unit, unit);
    p.setPen(Qt::NoPen);
    p.setBrush(inkOnWindow());
    switch (picture) {
    case Picture::After: // onward: two arrowheads
        for (double x : {2.0, 8.0})
            p.drawPolygon(QPolygonF{QPointF(x, 3), QPointF(x + 6, 8), QPointF(x, 13)});
        break;
    case Picture::AtDateAndTime: // a calendar leaf
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 3.5, 11, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc0, 0x30, 0x30));
        p.drawRect(QRectF(2.5, 3.5, 11, 3));
        p.setBrush(kInk);
        for (double x : {4.5, 7.5, 10.5})
            for (double y : {8.5, 11.0})
                p.drawRect(QRectF(x, y, 1.5, 1.5));
        break;
    case Picture::Uptime: // a screen on its stand
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(0x90, 0xc0, 0xe8));
        p.drawRect(QRectF(1.5, 2.5, 13, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(inkOnWindow()); // the stand
        p.drawRect(QRectF(7, 11.5, 2, 2));
        p.drawRect(QRectF(4.5, 13.5, 7, 1.5));
        break;
    case Picture::NoInput: // pause: two bars
        p.drawRect(QRectF(4, 3, 3, 10));
        p.drawRect(QRectF(9, 3, 3, 10));
        break;
    case Picture::Help: { // a question mark on a blue disc
        p.setBrush(QColor(0x20, 0x70, 0xc0));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        QPainterPath mark;
        mark.moveTo(5.3, 6);
        mark.cubicTo(5.3, 2.8, 10.7, 2.8, 10.7, 6);
        mark.cubicTo(10.7, 8, 8, 8, 8, 10);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(mark);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7, 11.6, 2, 2));
        break;
    }
    }
}
} // namespace

QIcon appIcon() { return QIcon(new ProgramIconEngine); }

QIcon actionIcon(int code)
{
    const QColor fill = kActionColours[(code >= 1 && code <= 9) ? code - 1 : 0];
    return drawn([fill](QPainter& p, const QRectF& r) { powerSymbol(p, r, Qt::white, fill); });
}

QIcon pictureIcon(Picture picture)
{
    return drawn([picture](QPainter& p, const QRectF& r) { modePicture(p, r, picture); });
}

QIcon chevronIcon(Qt::Orientation orientation)
{
    return drawn([orientation](QPainter& p, const QRectF& r) {
        const double size = qMin(r.width(), r.height());
        p.translate(r.center());
        if (orientation == Qt::Vertical)
            p.rotate(90);
        p.scale(size / 16, size / 16);
        p.setPen(QPen(inkOnWindow(), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        for (const double x : {-4.0, 1.0})
            p.drawPolyline(QPolygonF({QPointF(x, -4), QPointF(x + 3.5, 0), QPointF(x, 4)}));
    });
}

} // namespace zelkor
