#include "pages/framework/TrendPlot.h"

#include "pages/framework/NumberText.h"
#include "platform/CsvFile.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// Samples kept beyond the span are dropped; a reader polls a few times a second.
constexpr size_t kMostSamples = 20000;

const QColor kColours[] = {QColor(18, 52, 102), QColor(196, 32, 38), QColor(0, 128, 64),
                           QColor(160, 96, 0)};

} // namespace

TTrendPlot::TTrendPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("trendPlot"));
    setMinimumSize(200, 110);
    setToolTip(QStringLiteral("Průběh měřených hodnot za posledních 5 minut"));
}

void TTrendPlot::watch(const QWidget &window)
{
    if (m_watching)
        return;
    m_watching = true;
    for (const QLineEdit *edit : window.findChildren<QLineEdit *>()) {
        if (!edit->isReadOnly() || edit->objectName().isEmpty())
            continue;
        QString stem = edit->objectName();
        if (stem.endsWith(QStringLiteral("Memo")))
            stem.chop(4);
        Series s;
        s.source = edit;
        const auto *caption = window.findChild<QLabel *>(stem + QStringLiteral("Label"));
        s.name = caption ? caption->text() : edit->toolTip();
        if (s.name.isEmpty())
            s.name = edit->objectName();
        s.unitLabel = window.findChild<QLabel *>(stem + QStringLiteral("ULabel"));
        m_series.push_back(std::move(s));
    }
    // Room for the curves and a legend line a series.
    setMinimumHeight(70 + fontMetrics().height() * (1 + static_cast<int>(m_series.size())));
}

void TTrendPlot::sample(qint64 nowMs)
{
    for (size_t i = 0; i < m_series.size(); ++i) {
        const Series &s = m_series[i];
        double value = 0;
        if (!s.source || !parseDecimal(s.source->text(), value))
            continue;
        const QString unit =
            s.unitLabel && !s.unitLabel->isHidden() ? s.unitLabel->text() : QString();
        addSample(static_cast<int>(i), nowMs, value, unit);
    }
    update();
}

void TTrendPlot::addSample(int index, qint64 nowMs, double value, const QString &unit)
{
    if (index < 0 || index >= static_cast<int>(m_series.size()))
        return;
    Series &s = m_series[static_cast<size_t>(index)];
    // Another unit is another quantity (a type changed): the trend starts again.
    if (unit != s.unit || s.samples.empty()) {
        s.samples.clear();
        s.unit = unit;
        s.lowest = s.highest = value;
    }
    s.samples.push_back({nowMs, value});
    s.lowest = std::min(s.lowest, value);
    s.highest = std::max(s.highest, value);
    while (!s.samples.empty() &&
           (s.samples.front().ms < nowMs - m_spanMs || s.samples.size() > kMostSamples))
        s.samples.pop_front();
    m_latestMs = std::max(m_latestMs, nowMs);
}

namespace {
const QStringList kCsvHeader = {QStringLiteral("čas"), QStringLiteral("veličina"),
                                QStringLiteral("hodnota"), QStringLiteral("jednotka")};
}

std::vector<QStringList> TTrendPlot::csvRows() const
{
    std::vector<QStringList> rows;
    for (const Series &s : m_series)
        for (const Sample &p : s.samples)
            rows.push_back({QDateTime::fromMSecsSinceEpoch(p.ms).toString(Qt::ISODateWithMs),
                            s.name, formatShortest(p.value), s.unit});
    return rows;
}

QString TTrendPlot::csv() const
{
    QString out = csv::line(kCsvHeader) + QLatin1Char('\n');
    for (const QStringList &row : csvRows())
        out += csv::line(row) + QLatin1Char('\n');
    return out;
}

bool TTrendPlot::saveCsv(const QString &path) const
{
    return csv::write(path, kCsvHeader, csvRows());
}

void TTrendPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFontMetrics fm = fontMetrics();
    const int legendHeight = fm.height() * static_cast<int>(std::max<size_t>(1, m_series.size()));
    const QRect plot(4, 4, width() - 8, height() - 8 - fm.height() - legendHeight);
    if (plot.height() < 10)
        return;

    // The time axis: the last minutes, now at the right.
    const qint64 end = m_latestMs;
    const qint64 start = end - m_spanMs;
    p.setPen(palette().mid().color());
    for (int minute = 0; minute <= m_spanMs / 60000; ++minute) {
        const int x = plot.right() - int(double(minute) * 60000 / m_spanMs * plot.width());
        p.drawLine(x, plot.top(), x, plot.bottom());
    }
    p.setPen(palette().text().color());
    p.drawText(QRect(plot.left(), plot.bottom() + 1, plot.width(), fm.height()), Qt::AlignLeft,
               QStringLiteral("-%1 min").arg(m_spanMs / 60000));
    p.drawText(QRect(plot.left(), plot.bottom() + 1, plot.width(), fm.height()), Qt::AlignRight,
               QStringLiteral("teď"));
    p.setRenderHint(QPainter::Antialiasing);
    int legendY = plot.bottom() + 1 + fm.height();
    for (size_t i = 0; i < m_series.size(); ++i) {
        const Series &s = m_series[i];
        const QColor colour = kColours[i % (sizeof(kColours) / sizeof(kColours[0]))];
        // Each series on its own scale: the legend gives its lowest and highest value.
        double lo = s.lowest, hi = s.highest;
        if (hi - lo < 1e-9) {
            lo -= 1;
            hi += 1;
        }
        QPainterPath path;
        bool first = true;
        for (const Sample &x : s.samples) {
            const double fx = plot.left() + double(x.ms - start) / m_spanMs * plot.width();
            const double fy = plot.bottom() - (x.value - lo) / (hi - lo) * plot.height();
            if (first)
                path.moveTo(fx, fy);
            else
                path.lineTo(fx, fy);
            first = false;
        }
        p.setPen(QPen(colour, 1.5));
        p.drawPath(path);
        // Lowest and highest seen, with the unit.
        const QString unit = s.unit.isEmpty() ? QString() : QLatin1Char(' ') + s.unit;
        const QString legend = s.samples.empty() ? s.name
                                                 : QStringLiteral("%1: %2 … %3%4")
                                                       .arg(s.name, formatShortest(s.lowest),
                                                            formatShortest(s.highest), unit);
        p.setPen(colour);
        p.drawText(QRect(4, legendY, width() - 8, fm.height()), Qt::AlignLeft,
                   fm.elidedText(legend, Qt::ElideRight, width() - 8));
        legendY += fm.height();
    }
}
