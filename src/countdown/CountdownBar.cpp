#include "countdown/CountdownBar.h"

#include <QLabel>
#include <QPainter>

namespace zelkor {

namespace {
constexpr int kFrame = 1; // the frame's line, inside the widget
} // namespace

CountdownBar::CountdownBar(QWidget* parent) : QWidget(parent), m_label(new QLabel(this))
{
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CountdownBar::setMaximum(int maximum)
{
    m_maximum = qMax(1, maximum);
    update();
}

void CountdownBar::setValue(int value)
{
    value = qBound(0, value, m_maximum);
    const bool moved = fillFor(value) != fillFor(m_value);
    m_value = value;
    if (moved)
        update();
}

int CountdownBar::fillFor(int value) const
{
    const int inner = qMax(0, width() - 2 * kFrame);
    return int(qint64(inner) * value / m_maximum);
}

int CountdownBar::fillWidth() const { return fillFor(m_value); }

QSize CountdownBar::sizeHint() const
{
    const QSize text = m_label->sizeHint();
    return {qMax(200, text.width() + 8), text.height() + 8};
}

QSize CountdownBar::minimumSizeHint() const { return {50, sizeHint().height()}; }

void CountdownBar::resizeEvent(QResizeEvent* event)
{
    // A label of a fixed size never asks for a new layout when its text
    // changes, once a second while counting.
    m_label->setFixedSize(size());
    QWidget::resizeEvent(event);
}

void CountdownBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), palette().base());
    const int fill = fillWidth();
    if (fill > 0)
        painter.fillRect(QRect(kFrame, kFrame, fill, height() - 2 * kFrame), palette().highlight());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
}

} // namespace zelkor
