#pragma once

#include <QProxyStyle>

namespace zelkor {

// The desktop's style, with the few pictures Qt would otherwise read from
// image files drawn instead: reading one makes Qt load and ask every image
// format plugin on the system, at every start, for an arrow nobody may see.
// It also gives each PictureCombo its picture size.
class AppStyle final : public QProxyStyle {
public:
    AppStyle() = default;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace zelkor
