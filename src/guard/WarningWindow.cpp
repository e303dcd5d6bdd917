#include "guard/WarningWindow.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zelkor
{

namespace
{
// Screen readers announce an alert as it shows; a plain window that comes
// without the keyboard focus would pass unsaid, and the action with it.
QAccessibleInterface* alertForWarning(const QString& className, QObject* object)
{
    if (className == QLatin1String(WarningWindow::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}
} // namespace

WarningWindow::WarningWindow(Platform& platform, const Warning& warning, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_platform(platform),
      m_warning(warning)
{
    setObjectName(QStringLiteral("WarningWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Shown without the keyboard: a blank typed in another program would
    // otherwise press Cancel, and the user's own action would be called off.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(warningTitle(warning));
    static const bool alertInstalled = (QAccessible::installFactory(alertForWarning), true);
    Q_UNUSED(alertInstalled);
    auto* layout = new QVBoxLayout(this);
    m_textLabel = new QLabel(warningBody(warning), this);
    m_textLabel->setObjectName(QStringLiteral("warningText"));
    m_textLabel->setWordWrap(true); // a long text on a small or scaled screen keeps the buttons in reach
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("warningCount"));
    auto* buttons = new QHBoxLayout;
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("warningCancel"));
    m_cancelButton->setVisible(warning.cancelAllowed);
    m_postponeButton = new QPushButton(QStringLiteral("Postpone 10 minutes"), this);
    m_postponeButton->setObjectName(QStringLiteral("warningPostpone"));
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_postponeButton);
    layout->addWidget(m_textLabel);
    layout->addWidget(m_countLabel);
    layout->addLayout(buttons);
    const QString key = warning.key;
    connect(m_cancelButton, &QPushButton::clicked, this,
            [this, key] { emit answered(key, WarningAnswer::Cancel); });
    connect(m_postponeButton, &QPushButton::clicked, this,
            [this, key] { emit answered(key, WarningAnswer::Postpone); });
    m_countTimer = new QTimer(this);
    m_countTimer->setInterval(1000);
    connect(m_countTimer, &QTimer::timeout, this, &WarningWindow::updateCount);
    m_countTimer->start();
    updateCount();
}

void WarningWindow::updateCount()
{
    const qint64 left = m_warning.moment.toSecsSinceEpoch() - m_platform.now().toSecsSinceEpoch();
    m_countLabel->setText(QStringLiteral("%1 seconds left.").arg(qMax<qint64>(0, left)));
}

} // namespace zelkor
