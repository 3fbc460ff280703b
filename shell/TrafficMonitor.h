#pragma once

// "Monitor komunikace": every request and reply on the line as it happens (time to the
// millisecond, direction, address, function, the bytes, the outcome), errors marked; pause,
// clear, copy the selected lines, save as a text file. Shows the exchanges of the pages,
// the live readers and the test windows alike; keeps the last 10,000 frames.

#include <QWidget>

class QPushButton;
class QTableWidget;
class QTimer;

class TTrafficMonitor : public QWidget
{
    Q_OBJECT
public:
    explicit TTrafficMonitor(QWidget *parent = nullptr);
    ~TTrafficMonitor() override;

    // Takes the frames recorded since the last look (the timer does it every 200 ms).
    void refresh();
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    void clearFrames();
    // The selected lines as text, one a line, columns separated by tabs.
    QString selectedText() const;
    void copySelection();
    // All lines into a text file; false when it could not be written.
    bool saveTo(const QString &path) const;
    QTableWidget *table() const { return m_table; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QString lineText(int row) const;

    QTableWidget *m_table;
    QPushButton *m_pause;
    QTimer *m_timer;
    quint64 m_last = 0;
    bool m_paused = false;
};
