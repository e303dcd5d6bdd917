#pragma once

#include "common/AppPaths.h"

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

    // The layout and the files in use, in the information frame.
    void showPaths(const AppPaths& paths);

    QCheckBox* m_runAtStartupCheck = nullptr;
    QCheckBox* m_startInTrayCheck = nullptr;
    QCheckBox* m_startHiddenCheck = nullptr;
    // The information frame's, made when the page first shows.
    QLabel* m_homePageLink = nullptr;
    QLabel* m_supportLink = nullptr;
    QLabel* m_pathsLabel = nullptr; // layout and paths, one per line

signals:
    void linkClicked(const QString& target);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildInformation();
    void applyPaths();

    QString m_pathsText;
};

} // namespace zelkor
