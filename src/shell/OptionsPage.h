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

    QCheckBox* m_runAtStartupCheck = nullptr;
    QCheckBox* m_startInTrayCheck = nullptr;
    QCheckBox* m_startHiddenCheck = nullptr;
    QLabel* m_homePageLink = nullptr;
    QLabel* m_supportLink = nullptr;

signals:
    void linkClicked(const QString& target);
};

} // namespace zelkor
