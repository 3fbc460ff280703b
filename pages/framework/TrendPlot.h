#pragma once

// The trend of a live window's measured values over the last minutes, painted under the
// values: a time axis, the unit, the lowest and highest value seen, a way to hide it, and
// an export as CSV.
//
// The live window feeds it after every poll that showed values (sample()): each read-only
// value box of the window is a series, named by its caption, in the unit beside it.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <vector>

class QLabel;
class QLineEdit;

class TTrendPlot : public QWidget
{
    Q_OBJECT
public:
    explicit TTrendPlot(QWidget *parent = nullptr);

    struct Sample {
        qint64 ms; // since the epoch
        double value;
    };
    struct Series {
        QString name;
        QString unit;
        std::deque<Sample> samples;
        double lowest = 0; // seen since the series began (or its unit changed)
        double highest = 0;
        const QLineEdit *source = nullptr;
        const QLabel *unitLabel = nullptr;
    };

    // The window's value boxes become the series (once; later calls add none).
    void watch(const QWidget &window);
    // Takes the boxes' values now; a text that is no number is skipped.
    void sample(qint64 nowMs);
    void addSample(int series, qint64 nowMs, double value, const QString &unit);
    const std::vector<Series> &series() const { return m_series; }
    int spanMs() const { return m_spanMs; }

    // Every sample as "čas;veličina;hodnota;jednotka" lines (ISO time, decimal comma).
    QString csv() const;
    // The same as a file a Czech spreadsheet opens as it is (UTF-8 with a byte-order mark).
    bool saveCsv(const QString &path) const;

    QSize sizeHint() const override { return QSize(226, minimumHeight()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<QStringList> csvRows() const;

    std::vector<Series> m_series;
    bool m_watching = false;
    int m_spanMs = 5 * 60 * 1000;
    qint64 m_latestMs = 0;
};
