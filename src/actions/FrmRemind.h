#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QDialog>

class QLabel;

namespace zelkor {

// The "Message" window: shows the reminder text and beeps until OK.
class FrmRemind : public QDialog {
    Q_OBJECT
public:
    FrmRemind(Platform& platform, AppState& state, QWidget* parent = nullptr);

    // Loads the window with the current reminder text unless it is already
    // open, then shows it without blocking and brings it on top.
    void present();

    QLabel* Label1 = nullptr;

private:
    void Form_Load();

    Platform& m_platform;
    AppState& m_state;
};

} // namespace zelkor
