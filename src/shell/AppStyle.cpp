#include "shell/AppStyle.h"

#include "shell/AppIcons.h"
#include "shell/PictureCombo.h"

namespace zelkor {

QIcon AppStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    // The toolbar's extension button, made with every toolbar.
    switch (icon) {
    case SP_ToolBarHorizontalExtensionButton:
        return chevronIcon(Qt::Horizontal);
    case SP_ToolBarVerticalExtensionButton:
        return chevronIcon(Qt::Vertical);
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

int AppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    // What a combo box without a size of its own asks for its pictures.
    if (metric == PM_SmallIconSize)
        if (const auto* combo = dynamic_cast<const PictureCombo*>(widget))
            return combo->pictureSize();
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace zelkor
