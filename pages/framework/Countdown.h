#pragma once

// TButtonCountdown: after a write the button counts "(3)", "(2)", "(1)" a second apart and
// shows its own caption again at the fourth second; the locked buttons stay disabled for
// the whole lock time (4100 ms), so a device busy storing is not sent another request.

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QPushButton;
class QTimer;

class TButtonCountdown : public QObject
{
    Q_OBJECT
public:
    explicit TButtonCountdown(QObject *parent);

    // startButtonCountdown: the button, its caption and the first number; then the buttons
    // are locked and both timers run.
    void start(QPushButton *button, const QString &caption, int count,
               const std::vector<QPushButton *> &locked);
    // The same in two steps: the buttons locked now (before a write), the timers started by
    // run() (once the write is over).
    void prepare(QPushButton *button, const QString &caption, int count,
                 const std::vector<QPushButton *> &locked);
    void run();
    // Prepared, and its timers not started yet.
    bool waiting() const { return m_waiting; }
    bool running() const;
    // How long the buttons stay locked (4100 ms unless set).
    void setLockTime(int ms);

    QTimer *saveTimer() const { return m_saveTimer; }
    QTimer *animateSaveTimer() const { return m_animateTimer; }

signals:
    // The button shows its own caption again (the last tick).
    void captionBack();
    // The lock time is over and the buttons are enabled again.
    void unlocked();

private:
    void tick();

    QTimer *m_saveTimer;
    QTimer *m_animateTimer;
    int m_value = 0;
    bool m_waiting = false;
    QPointer<QPushButton> m_button;
    QString m_caption;
    std::vector<QPointer<QPushButton>> m_locked;
};
