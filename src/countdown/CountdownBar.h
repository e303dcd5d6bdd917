#pragma once

#include <QWidget>

class QLabel;

namespace zelkor {

// The countdown's bar (`Shape1` with `ImgBar` inside it) and the label over
// it (`LabRemain`). A plain frame and fill, drawn only when the fill moves by
// a pixel: a style's progress bar animates itself many times a second, which
// would keep the whole program awake while it merely waits.
class CountdownBar : public QWidget {
    Q_OBJECT
public:
    explicit CountdownBar(QWidget* parent = nullptr);

    void setMaximum(int maximum);
    int maximum() const { return m_maximum; }
    void setValue(int value);
    int value() const { return m_value; }
    // The fill in pixels at the current size.
    int fillWidth() const;

    QLabel* label() const { return m_label; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int fillFor(int value) const;

    QLabel* m_label = nullptr;
    int m_maximum = 100;
    int m_value = 0;
};

} // namespace zelkor
