#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;
class QTimer;

// A status bar of fixed-width, centred text panels; the last panel stretches and holds the
// short status messages that a 2000 ms timer clears again.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    // `widths` in pixels, one per panel; the last one is the message panel's minimum width.
    StatusPanels(const QList<int> &widths, QWidget *parent = nullptr);

    int panelCount() const { return static_cast<int>(m_panels.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);
    QLabel *panel(int panel) const;

    // Widens a fixed panel so that each of `texts` fits whole (fonts differ by platform).
    void fitPanel(int panel, const QStringList &texts);

    // The clearing timer (2000 ms, single run, stopped until the first message).
    QTimer *timer() const { return m_timer; }

    // Puts `text` into the message panel and restarts the timer with its full interval.
    void showStatusMessage(const QString &text);

private:
    QList<QLabel *> m_panels;
    QTimer *m_timer;
};
