#include "shell/PictureCombo.h"

#include <QAbstractItemView>

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
}

} // namespace zelkor
