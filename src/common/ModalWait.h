#pragma once

#include <QEventLoop>
#include <QObject>

namespace zelkor
{

// Waits in a nested event loop, as a modal window does, until `window` sends
// `done` or is destroyed. Unlike QDialog::exec(), hiding the window does not
// end the wait: hidden mode puts windows away, and they come back still
// waiting for their answer.
template <typename Window, typename Signal> void waitUntilDone(Window* window, Signal done)
{
    QEventLoop loop;
    QObject::connect(window, done, &loop, [&loop] { loop.quit(); });
    QObject::connect(window, &QObject::destroyed, &loop, [&loop] { loop.quit(); });
    loop.exec(QEventLoop::DialogExec);
}

// The modality of a box that asks something: modal to the window it belongs
// to where it has one, so that a warning or reminder window that comes
// meanwhile still takes its clicks; modal to the program where it has none.
inline Qt::WindowModality modalityFor(const QObject* parent)
{
    return parent ? Qt::WindowModal : Qt::ApplicationModal;
}

} // namespace zelkor
