#include "guard/SafetyOptions.h"

#include "guard/SafetyKeeper.h"
#include "shell/MessageBox.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace zelkor
{

SafetyOptions::SafetyOptions(SafetyKeeper& safety, QWidget* parent)
    : QGroupBox(QStringLiteral("Warning and password"), parent), m_safety(safety)
{
    setObjectName(QStringLiteral("safetyOptions"));
    auto* grid = new QGridLayout(this);
    m_warnSecondsSpin = new QSpinBox(this);
    m_warnSecondsSpin->setObjectName(QStringLiteral("warnSecondsSpin"));
    m_warnSecondsSpin->setRange(0, guard::kMaxWarnSeconds);
    m_warnSecondsSpin->setSuffix(QStringLiteral(" s"));
    m_warnSecondsSpin->setKeyboardTracking(false);
    auto* warnCaption = new QLabel(
        QStringLiteral(
            "Warn before a countdown, a scheduled task or the forbidden period shuts "
            "down, restarts, logs off, stands by, hibernates or locks (0 = no warning):"),
        this);
    warnCaption->setWordWrap(true);
    warnCaption->setBuddy(m_warnSecondsSpin);
    m_passwordState = new QLabel(this);
    m_passwordState->setObjectName(QStringLiteral("passwordState"));
    m_setPasswordButton = new QPushButton(QStringLiteral("Set password..."), this);
    m_setPasswordButton->setObjectName(QStringLiteral("setPasswordButton"));
    m_removePasswordButton = new QPushButton(QStringLiteral("Remove password"), this);
    m_removePasswordButton->setObjectName(QStringLiteral("removePasswordButton"));
    m_scopeNote = new QLabel(
        QStringLiteral("With a password, Exit, stopping a countdown, editing or deleting a task, "
                       "a new forbidden period in place of the one in force, "
                       "these options and Cancel or Postpone on a warning ask for it. This keeps "
                       "others who use this account from switching the schedule off casually; it "
                       "does not stop anyone who can end processes or has administrator rights."),
        this);
    m_scopeNote->setObjectName(QStringLiteral("passwordScope"));
    m_scopeNote->setWordWrap(true);
    grid->addWidget(warnCaption, 0, 0, 1, 3);
    grid->addWidget(m_warnSecondsSpin, 0, 3);
    grid->addWidget(m_passwordState, 1, 0);
    grid->addWidget(m_setPasswordButton, 1, 2);
    grid->addWidget(m_removePasswordButton, 1, 3);
    grid->addWidget(m_scopeNote, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(m_warnSecondsSpin, &QSpinBox::valueChanged, this, &SafetyOptions::warnSecondsEdited);
    connect(m_setPasswordButton, &QPushButton::clicked, this,
            [this] { m_safety.changePassword(window()); });
    connect(m_removePasswordButton, &QPushButton::clicked, this,
            [this] { m_safety.removePassword(window()); });
    connect(&m_safety, &SafetyKeeper::changed, this, &SafetyOptions::showSettings);
    showSettings();
}

void SafetyOptions::showSettings()
{
    const QSignalBlocker quiet(m_warnSecondsSpin);
    m_warnSecondsSpin->setValue(m_safety.warnSeconds());
    const bool set = m_safety.isPasswordSet();
    m_passwordState->setText(set ? QStringLiteral("A password is set.")
                                 : QStringLiteral("No password is set."));
    m_setPasswordButton->setText(set ? QStringLiteral("Change password...")
                                     : QStringLiteral("Set password..."));
    m_removePasswordButton->setEnabled(set);
}

void SafetyOptions::warnSecondsEdited()
{
    if (m_warnSecondsSpin->value() == m_safety.warnSeconds())
        return;
    if (!m_safety.allow(window(), QStringLiteral("change the warning"))) {
        showSettings();
        return;
    }
    const Outcome outcome = m_safety.setWarnSeconds(m_warnSecondsSpin->value());
    if (!outcome.ok)
        MessageBox::failure(window(),
                            QStringLiteral("The warning's setting could not be saved in %1: %2")
                                .arg(m_safety.path(), outcome.error));
}

void SafetyOptions::guard(QAbstractButton* box)
{
    box->installEventFilter(this);
}

bool SafetyOptions::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QAbstractButton*>(watched);
    if (!box || !m_safety.isPasswordSet())
        return QGroupBox::eventFilter(watched, event);
    bool toggles = false;
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        toggles =
            mouse->button() == Qt::LeftButton && box->rect().contains(mouse->position().toPoint());
    } else if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        toggles = key->key() == Qt::Key_Space && !key->isAutoRepeat();
    }
    if (!toggles)
        return QGroupBox::eventFilter(watched, event);
    // The box toggles only through click() once the password was given.
    box->setDown(false);
    if (m_safety.allow(window(), QStringLiteral("change this option")))
        box->click();
    return true;
}

} // namespace zelkor
