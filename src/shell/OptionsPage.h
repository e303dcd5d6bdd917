#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace zelkor {

// The "Options" tab: the start-up options and the information frame.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit OptionsPage(QWidget* parent = nullptr);

    static QString homePage();
    static QString supportAddress();

    QCheckBox* ChkRun = nullptr;
    QCheckBox* Check1 = nullptr; // minimized to the tray at start
    QCheckBox* Check2 = nullptr; // hidden at start
    QLabel* Label14 = nullptr;   // web page link
    QLabel* Label18 = nullptr;   // support mail link

signals:
    void linkClicked(const QString& target);
};

} // namespace zelkor
