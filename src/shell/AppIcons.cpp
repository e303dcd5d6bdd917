#include "shell/AppIcons.h"

#include "common/BuildInfo.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelkor {

namespace {
// Drawn rather than shipped: crisp at every size and no theme needed.
QPixmap powerSymbol(int size, const QColor& ring, const QColor& fill)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(fill);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    QPen pen(ring, size / 10.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    const QRectF arc(size * 0.25, size * 0.25, size * 0.5, size * 0.5);
    p.drawArc(arc, 120 * 16, 300 * 16);
    p.drawLine(QPointF(size / 2.0, size * 0.18), QPointF(size / 2.0, size * 0.5));
    return pixmap;
}

const QColor kActionColours[] = {
    QColor(0xc0, 0x30, 0x30), QColor(0xd0, 0x80, 0x20), QColor(0x80, 0x60, 0xb0),
    QColor(0x30, 0x80, 0xc0), QColor(0x20, 0x60, 0x90), QColor(0x60, 0x60, 0x60),
    QColor(0x30, 0xa0, 0x40), QColor(0xe0, 0xb0, 0x20), QColor(0x40, 0x90, 0x90),
};
} // namespace

QIcon appIcon()
{
    // The sizes rendered from the package's SVG, as the menu shows them.
    QIcon icon;
    const QDir sizes(QStringLiteral(":/zelkor/icons"));
    for (const QString& size : sizes.entryList(QDir::Dirs))
        icon.addFile(sizes.filePath(size + QStringLiteral("/apps/") + QLatin1String(build::kAppId) +
                                    QStringLiteral(".png")));
    return icon;
}

QIcon actionIcon(int code)
{
    const int index = (code >= 1 && code <= 9) ? code - 1 : 0;
    QIcon icon;
    for (int size : {18, 24, 32})
        icon.addPixmap(powerSymbol(size, Qt::white, kActionColours[index]));
    return icon;
}

} // namespace zelkor
