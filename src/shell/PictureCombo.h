#pragma once

#include <QComboBox>

namespace zelkor {

// A drop-down list whose items show pictures at a size of its own, with its
// list made when it first drops down. QComboBox::setIconSize would make that
// list at once (an item view with its frame and scroll bars, a few hundred
// KiB of code and data at every start), and most runs never open it: until
// then the application style (AppStyle) gives the box its picture size, so
// the closed box and its size hint are as with setIconSize.
class PictureCombo final : public QComboBox {
public:
    PictureCombo(int pictureSize, QWidget* parent = nullptr);

    int pictureSize() const { return m_pictureSize; }
    void showPopup() override;
    // The last choice was made with keys (arrows on the closed box, Return in
    // its list), not the mouse: the focus must stay where the keys are.
    bool choseByKeys() const { return m_byKeys; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_pictureSize = 16;
    bool m_byKeys = false;
};

} // namespace zelkor
