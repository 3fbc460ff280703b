#pragma once

// "Průběh": a live window's trend in a window of its own that can be enlarged. It views the
// preview's trend (which keeps recording while this one is paused) over the last 1, 5 or 30
// minutes and exports it as CSV like the preview.

#include <QWidget>

class QAbstractButton;
class QPushButton;
class TTrend;
class TTrendPlot;

// Asks for a file and writes the trend there as CSV; a file that cannot be written is
// reported. Shared by the live window and the "Průběh" window.
void saveTrendAsked(const TTrend &trend);

class TTrendWindow : public QWidget
{
    Q_OBJECT
public:
    TTrendWindow(const TTrendPlot &preview, QWidget *parent);

    TTrendPlot *plot() const { return m_plot; }
    QAbstractButton *spanButton(int minutes) const;
    QPushButton *pauseButton() const { return m_pause; }

private:
    TTrendPlot *m_plot;
    QPushButton *m_pause;
};
