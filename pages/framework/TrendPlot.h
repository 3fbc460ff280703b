#pragma once

// The trend of a live window's measured values.
//
// TTrend keeps the samples of the last 30 minutes: each read-only value box of the window
// is a series, named by its caption, in the unit beside it. The live window feeds it after
// every poll that showed values (sample()).
//
// TTrendPlot paints a trend: as the small preview under the values (the last minute, no
// axes) or, in the "Průběh" window, at any size with a value axis per unit (series that
// share a unit share its scale), a time axis over the chosen span, a legend, and the time
// and values under the mouse. Series in different units never share a scale.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <vector>

class QLabel;
class QLineEdit;

class TTrend
{
public:
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
    static constexpr int kKeptMs = 30 * 60 * 1000;

    // The window's value boxes become the series (once; later calls add none).
    void watch(const QWidget &window);
    // Takes the boxes' values now; a text that is no number is skipped.
    void sample(qint64 nowMs);
    void addSample(int series, qint64 nowMs, double value, const QString &unit);
    const std::vector<Series> &series() const { return m_series; }
    qint64 latestMs() const { return m_latestMs; }

    // Every sample as "čas;veličina;hodnota;jednotka" lines (ISO time, decimal comma).
    QString csv() const;
    // The same as a file a Czech spreadsheet opens as it is (UTF-8 with a byte-order mark).
    bool saveCsv(const QString &path) const;

private:
    std::vector<QStringList> csvRows() const;

    std::vector<Series> m_series;
    bool m_watching = false;
    qint64 m_latestMs = 0;
};

// One value scale: the series in one unit over a time span, with round ticks.
struct TrendScale {
    QString unit;
    std::vector<int> series;
    double low = 0;
    double high = 1;
    double step = 0.5;
};
// The scales of the samples in [fromMs, toMs], one per unit in the order the units first
// appear. A series with samples only outside the span keeps its unit's scale; one that
// has none yet gets none.
std::vector<TrendScale> trendScales(const TTrend &trend, qint64 fromMs, qint64 toMs);
// A round step (1, 2 or 5 times a power of ten) giving at most `most` intervals over `range`.
double trendStep(double range, int most);
// The value a series had at `ms`: its last sample at or before it, if that is at most
// `gapMs` older; false when there is none.
bool trendValueAt(const TTrend::Series &series, qint64 ms, qint64 gapMs, double &value);

class TTrendPlot : public QWidget
{
    Q_OBJECT
public:
    // The preview: owns the trend and shows the last minute of it.
    explicit TTrendPlot(QWidget *parent = nullptr);
    // A full view of another plot's trend, with axes, legend and the mouse readout.
    TTrendPlot(const TTrendPlot &source, QWidget *parent);

    using Sample = TTrend::Sample;
    using Series = TTrend::Series;

    void watch(const QWidget &window) { m_own.watch(window); }
    void sample(qint64 nowMs);
    void addSample(int series, qint64 nowMs, double value, const QString &unit);
    const TTrend &trend() const { return *m_trend; }
    const std::vector<Series> &series() const { return m_trend->series(); }
    QString csv() const { return m_trend->csv(); }
    bool saveCsv(const QString &path) const { return m_trend->saveCsv(path); }

    bool full() const { return m_full; }
    int spanMs() const { return m_spanMs; }
    void setSpanMs(int ms);
    // A paused view keeps showing the moment it was paused; the trend keeps recording.
    bool paused() const { return m_pausedAtMs != 0; }
    void setPaused(bool paused);
    // The right edge of the view (now, or the moment of the pause).
    qint64 endMs() const;

    // What the mouse points at: the time, then "name: value unit" per series with a value
    // then; empty when the mouse is not over the curves.
    QStringList readout() const;
    // The curves' area and the time under an x inside it.
    QRect plotArea() const;
    qint64 timeAtX(int x) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void sampled();
    void opened(); // double-click on the preview

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Layout;
    Layout layout() const;
    int legendRows(int width) const;

    TTrend m_own;
    const TTrend *m_trend;
    const bool m_full;
    int m_spanMs;
    qint64 m_pausedAtMs = 0;
    int m_mouseX = -1;
};
