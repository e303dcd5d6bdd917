#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

namespace zelkor::test {

// Answers every message box that is left to show itself (the test hook only
// answers the next one), so a test with two boxes in one click cannot hang.
class ModalCloser {
public:
    ModalCloser()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++closed;
                box->done(QMessageBox::Ok);
            }
        });
        m_timer.start();
    }
    int closed = 0;

private:
    QTimer m_timer;
};

} // namespace zelkor::test
