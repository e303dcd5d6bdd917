#include "shell/AppStyle.h"

#include "shell/AppIcons.h"

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

} // namespace zelkor
