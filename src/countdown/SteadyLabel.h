#pragma once

#include <QLabel>

namespace zelkor {

// A label whose text changes every second (the clock, the uptime). While
// only its digits change it keeps its size and nothing is measured: the tab
// is not laid out anew and the text is shaped once a second, to be drawn.
// Any other change is measured with every digit as wide as the font's widest,
// so that no later digits can overflow it; it only ever grows in width.
class SteadyLabel : public QLabel {
    Q_OBJECT
public:
    explicit SteadyLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    void showText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    QString m_measured; // the text last measured, every digit as '0'
};

} // namespace zelkor
