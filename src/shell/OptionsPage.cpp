#include "shell/OptionsPage.h"

#include "shell/AppIcons.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace zelkor {

QString OptionsPage::homePage() { return QStringLiteral("https://zelkor.example.org/"); }
QString OptionsPage::supportAddress() { return QStringLiteral("support@zelkor.example.org"); }

OptionsPage::OptionsPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);

    auto* general = new QGroupBox(QStringLiteral("General"), this);
    general->setObjectName(QStringLiteral("Frame1"));
    auto* generalLayout = new QVBoxLayout(general);
    m_runAtStartupCheck = new QCheckBox(QStringLiteral("Run at Windows Startup"), general);
    m_runAtStartupCheck->setObjectName(QStringLiteral("ChkRun"));
    m_startInTrayCheck =
        new QCheckBox(QStringLiteral("Minimized to system tray when run"), general);
    m_startInTrayCheck->setObjectName(QStringLiteral("Check1"));
    m_startHiddenCheck = new QCheckBox(
        QStringLiteral("Hide main window and tray icon when run (Press Ctrl+Ale+H to show)"),
        general);
    m_startHiddenCheck->setObjectName(QStringLiteral("Check2"));
    generalLayout->addWidget(m_runAtStartupCheck);
    generalLayout->addWidget(m_startInTrayCheck);
    generalLayout->addWidget(m_startHiddenCheck);
    layout->addWidget(general);

    // The information frame is made when the page first shows.
    layout->addStretch(1);
}

void OptionsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_pathsLabel)
        buildInformation();
}

void OptionsPage::buildInformation()
{
    auto* info = new QGroupBox(QStringLiteral("Infomation"), this);
    info->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(info);
    auto* image = new QLabel(info);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(appIcon().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Zelkor V3.20"), info);
    name->setObjectName(QStringLiteral("LabName"));
    auto makeLink = [this, info](const QString& text, const QString& target) {
        auto* link = new QLabel(
            QStringLiteral("<a href=\"%1\">%2</a>").arg(target, text.toHtmlEscaped()), info);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setCursor(Qt::PointingHandCursor);
        connect(link, &QLabel::linkActivated, this, &OptionsPage::linkClicked);
        return link;
    };
    m_supportLink = makeLink(supportAddress(), QStringLiteral("mailto:") + supportAddress());
    m_supportLink->setObjectName(QStringLiteral("Label18"));
    m_homePageLink = makeLink(homePage(), homePage());
    m_homePageLink->setObjectName(QStringLiteral("Label14"));
    grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Support:"), info), 1, 1);
    grid->addWidget(m_supportLink, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Our site:"), info), 2, 1);
    grid->addWidget(m_homePageLink, 2, 2);
    m_pathsLabel = new QLabel(info);
    m_pathsLabel->setObjectName(QStringLiteral("LabPaths"));
    m_pathsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long paths are cut at the frame's edge rather than widening the window;
    // the tool tip holds them whole.
    m_pathsLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(m_pathsLabel, 3, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    applyPaths();
    // Above the stretch; made while the page is being shown, so shown now.
    auto* layout = static_cast<QBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, info);
    info->show();
}

void OptionsPage::showPaths(const AppPaths& paths)
{
    QStringList lines;
    for (const auto& [label, value] : describePaths(paths))
        lines.append(label + QStringLiteral(": ") + value);
    m_pathsText = lines.join(QLatin1Char('\n'));
    applyPaths();
}

void OptionsPage::applyPaths()
{
    if (!m_pathsLabel)
        return;
    m_pathsLabel->setText(m_pathsText);
    m_pathsLabel->setToolTip(m_pathsText);
}

} // namespace zelkor
