#include "countdown/SteadyLabel.h"

#include <QEvent>

namespace zelkor {

namespace {
QString digitsAs(QString text, QChar digit)
{
    for (QChar& c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = digit;
    return text;
}

QChar widestDigit(const QFontMetrics& metrics)
{
    QChar widest = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(d);
    return widest;
}
} // namespace

void SteadyLabel::showText(const QString& text)
{
    if (QString shape = digitsAs(text, QLatin1Char('0')); shape != m_measured) {
        m_measured = std::move(shape);
        setText(digitsAs(text, widestDigit(fontMetrics())));
        const QSize hint = sizeHint();
        setFixedSize(qMax(hint.width(), minimumWidth()), hint.height());
    }
    setText(text);
}

void SteadyLabel::changeEvent(QEvent* event)
{
    // Another font or style is measured at the next text.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_measured.clear();
    QLabel::changeEvent(event);
}

} // namespace zelkor
