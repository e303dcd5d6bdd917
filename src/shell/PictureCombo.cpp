#include "shell/PictureCombo.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace zelkor {

PictureCombo::PictureCombo(int pictureSize, QWidget* parent)
    : QComboBox(parent), m_pictureSize(pictureSize)
{
}

void PictureCombo::showPopup()
{
    // The list is made here; its pictures take the box's size. Once set, the
    // size is the box's own and no longer the style's (the same value).
    const QSize size(m_pictureSize, m_pictureSize);
    if (view()->iconSize() != size)
        setIconSize(size);
    QComboBox::showPopup();
    // After the box's own filters, so that this one sees the events first.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

void PictureCombo::keyPressEvent(QKeyEvent* event)
{
    m_byKeys = true;
    QComboBox::keyPressEvent(event);
}

void PictureCombo::mousePressEvent(QMouseEvent* event)
{
    m_byKeys = false;
    QComboBox::mousePressEvent(event);
}

void PictureCombo::wheelEvent(QWheelEvent* event)
{
    m_byKeys = false;
    QComboBox::wheelEvent(event);
}

// Seen before the list acts on them: it chooses on a key or a mouse release.
bool PictureCombo::eventFilter(QObject* watched, QEvent* event)
{
    // The list takes Return already as a shortcut's override.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        m_byKeys = true;
    else if (event->type() == QEvent::MouseButtonRelease)
        m_byKeys = false;
    return QComboBox::eventFilter(watched, event);
}

} // namespace zelkor
