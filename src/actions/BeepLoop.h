#pragma once

#include "platform/Platform.h"

#include <QObject>

#include <functional>

class QTimer;

namespace zelkor {

// One burst of the reminder: four 100 ms beeps at 2350 Hz, 75 ms apart, then
// a 250 ms pause; about 875 ms in all.
QList<ToneStep> remindBurst();
// How long a sequence of steps lasts, in ms.
int stepsDurationMs(const QList<ToneStep>& steps);

// The reminder's beeping: burst after burst until the window's flag says stop,
// the flag being looked at when a burst has ended.
//
// This is a timer-driven sequence on the user-interface thread rather than a
// blocking loop: the platform plays each burst on its own sound thread and
// keeps its timing in the audio stream, so nothing here ever waits, the rest
// of the program stays responsive, and closing the window only has to stop a
// timer and the sound - there is no thread of ours to join.
class BeepLoop : public QObject {
    Q_OBJECT
public:
    // stopRequested is asked at the end of every burst.
    BeepLoop(Platform& platform, std::function<bool()> stopRequested, QObject* parent = nullptr);
    ~BeepLoop() override;

    // Starts with the first burst now; a loop already running starts over.
    void start();
    // Cuts the sound at once and ends the loop.
    void stopNow();
    // A burst is being heard, or the next one is due.
    bool isRunning() const;

    // The end of a burst (the burst timer's handler): the next one, unless stopped.
    void burstEnded();

    QTimer* burstTimer() const { return m_burstTimer; }

signals:
    // Told at the end of a burst when why the bursts go unheard has changed
    // (empty: they are heard), and at a start when it was not empty.
    void problemChanged(const QString& problem);

private:
    void playBurst();
    void tellProblem(const QString& problem);

    Platform& m_platform;
    std::function<bool()> m_stopRequested;
    QTimer* m_burstTimer = nullptr;
    QString m_problem; // as last told
};

} // namespace zelkor
