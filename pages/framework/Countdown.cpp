#include "pages/framework/Countdown.h"

#include <QPushButton>
#include <QTimer>

TButtonCountdown::TButtonCountdown(QObject *parent) : QObject(parent)
{
    m_saveTimer = new QTimer(this);
    m_saveTimer->setObjectName(QStringLiteral("saveTimer"));
    m_saveTimer->setInterval(4100);
    m_saveTimer->setSingleShot(true);
    m_animateTimer = new QTimer(this);
    m_animateTimer->setObjectName(QStringLiteral("animateSaveTimer"));
    m_animateTimer->setInterval(1000);
    connect(m_saveTimer, &QTimer::timeout, this, [this] {
        for (auto &b : m_locked)
            if (b)
                b->setEnabled(true);
        m_locked.clear();
        emit unlocked();
    });
    connect(m_animateTimer, &QTimer::timeout, this, [this] { tick(); });
}

void TButtonCountdown::start(QPushButton *button, const QString &caption, int count,
                             const std::vector<QPushButton *> &locked)
{
    prepare(button, caption, count, locked);
    run();
}

void TButtonCountdown::prepare(QPushButton *button, const QString &caption, int count,
                               const std::vector<QPushButton *> &locked)
{
    // A countdown still running gives its button its caption back first.
    if (m_animateTimer->isActive() && m_button)
        m_button->setText(m_caption);
    m_button = button;
    m_caption = caption;
    m_value = count;
    m_locked.clear();
    for (QPushButton *b : locked) {
        b->setEnabled(false);
        m_locked.emplace_back(b);
    }
    m_saveTimer->stop();
    m_animateTimer->stop();
    m_waiting = true;
}

void TButtonCountdown::run()
{
    m_waiting = false;
    m_saveTimer->start();
    m_animateTimer->start();
}

void TButtonCountdown::setLockTime(int ms)
{
    m_saveTimer->setInterval(ms);
}

bool TButtonCountdown::running() const
{
    return m_saveTimer->isActive() || m_animateTimer->isActive();
}

void TButtonCountdown::tick()
{
    if (!m_button) {
        m_animateTimer->stop();
        return;
    }
    if (m_value <= 0) {
        m_button->setText(m_caption);
        m_animateTimer->stop();
        emit captionBack();
        return;
    }
    m_button->setText(QStringLiteral("(%1)").arg(m_value));
    --m_value;
}
