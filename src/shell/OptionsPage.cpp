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
    ChkRun = new QCheckBox(QStringLiteral("Run at Windows Startup"), general);
    ChkRun->setObjectName(QStringLiteral("ChkRun"));
    Check1 = new QCheckBox(QStringLiteral("Minimized to system tray when run"), general);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(
        QStringLiteral("Hide main window and tray icon when run (Press Ctrl+Ale+H to show)"), general);
    Check2->setObjectName(QStringLiteral("Check2"));
    generalLayout->addWidget(ChkRun);
    generalLayout->addWidget(Check1);
    generalLayout->addWidget(Check2);
    layout->addWidget(general);

    auto* info = new QGroupBox(QStringLiteral("Infomation"), this);
    info->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(info);
    auto* image = new QLabel(info);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(appIcon().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Zelkor V3.20"), info);
    name->setObjectName(QStringLiteral("LabName"));
    auto makeLink = [this, info](const QString& objectName, const QString& text, const QString& target) {
        auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(target, text.toHtmlEscaped()), info);
        link->setObjectName(objectName);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        link->setCursor(Qt::PointingHandCursor);
        connect(link, &QLabel::linkActivated, this, &OptionsPage::linkClicked);
        return link;
    };
    Label18 = makeLink(QStringLiteral("Label18"), supportAddress(),
                       QStringLiteral("mailto:") + supportAddress());
    Label14 = makeLink(QStringLiteral("Label14"), homePage(), homePage());
    grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Support:"), info), 1, 1);
    grid->addWidget(Label18, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Our site:"), info), 2, 1);
    grid->addWidget(Label14, 2, 2);
    grid->setColumnStretch(2, 1);
    layout->addWidget(info);
    layout->addStretch(1);
}

} // namespace zelkor
