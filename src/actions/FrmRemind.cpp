#include "actions/FrmRemind.h"

#include "common/ActionKind.h"
#include "common/Placement.h"
#include "shell/AppIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace zelkor {

FrmRemind::FrmRemind(Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_state(state)
{
    setObjectName(QStringLiteral("FrmRemind"));
    setWindowTitle(QStringLiteral("Message"));
    auto* grid = new QGridLayout(this);
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(appIcon().pixmap(32, 32));
    Label1 = new QLabel(QStringLiteral("Hurry, time is up!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    Label1->setFont(bold);
    Label1->setMinimumSize(240, 80);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    grid->addWidget(image, 0, 0, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(ok, 1, 0, 1, 2, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void FrmRemind::present()
{
    if (!isVisible())
        Form_Load();
    show();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    raise();
    activateWindow();
}

void FrmRemind::Form_Load()
{
    adjustSize();
    move(goldenPlacement(m_platform.screenGeometry(), size()));
    Label1->setText(m_state.remindText);
}

} // namespace zelkor
