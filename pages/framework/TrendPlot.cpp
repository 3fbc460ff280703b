#include "pages/framework/TrendPlot.h"

#include "pages/framework/NumberText.h"
#include "platform/CsvFile.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// A reader polls a few times a second at most; this is half an hour of a fast line.
constexpr size_t kMostSamples = 40000;
// A longer pause between two samples (a device that did not answer) breaks the curve.
constexpr qint64 kGapMs = 5000;
constexpr int kPreviewSpanMs = 60 * 1000;

const QColor kColours[] = {QColor(18, 52, 102), QColor(196, 32, 38), QColor(0, 128, 64),
                           QColor(160, 96, 0),  QColor(112, 48, 160), QColor(0, 128, 160)};

QColor colourOf(size_t series)
{
    return kColours[series % (sizeof(kColours) / sizeof(kColours[0]))];
}

QString withUnit(const QString &value, const QString &unit)
{
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// Enough decimals to tell two ticks `step` apart.
int decimalsOf(double step)
{
    int decimals = 0;
    while (decimals < 6 && std::fabs(step * std::pow(10.0, decimals) -
                                     std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return decimals;
}

// A legend entry of the full view: room for the name and a value of several digits.
int legendEntryWidth(const QFontMetrics &fm, const TTrend::Series &s)
{
    return fm.height() / 2 + 4 + fm.horizontalAdvance(s.name + QStringLiteral(": -00000,00 ") + s.unit) +
           16;
}

} // namespace

// --- TTrend ---

void TTrend::watch(const QWidget &window)
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
        if (s.name.endsWith(QLatin1Char(':')))
            s.name.chop(1);
        if (s.name.isEmpty())
            s.name = edit->objectName();
        s.unitLabel = window.findChild<QLabel *>(stem + QStringLiteral("ULabel"));
        m_series.push_back(std::move(s));
    }
}

void TTrend::sample(qint64 nowMs)
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
}

void TTrend::addSample(int index, qint64 nowMs, double value, const QString &unit)
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
           (s.samples.front().ms < nowMs - kKeptMs || s.samples.size() > kMostSamples))
        s.samples.pop_front();
    m_latestMs = std::max(m_latestMs, nowMs);
}

namespace {
const QStringList kCsvHeader = {QStringLiteral("čas"), QStringLiteral("veličina"),
                                QStringLiteral("hodnota"), QStringLiteral("jednotka")};
}

std::vector<QStringList> TTrend::csvRows() const
{
    std::vector<QStringList> rows;
    for (const Series &s : m_series)
        for (const Sample &p : s.samples)
            rows.push_back({QDateTime::fromMSecsSinceEpoch(p.ms).toString(Qt::ISODateWithMs),
                            s.name, formatShortest(p.value), s.unit});
    return rows;
}

QString TTrend::csv() const
{
    QString out = csv::line(kCsvHeader) + QLatin1Char('\n');
    for (const QStringList &row : csvRows())
        out += csv::line(row) + QLatin1Char('\n');
    return out;
}

bool TTrend::saveCsv(const QString &path) const
{
    return csv::write(path, kCsvHeader, csvRows());
}

// --- scales ---

double trendStep(double range, int most)
{
    if (!(range > 0) || most < 1)
        return 1;
    const double rough = range / most;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-9))
            return m * power;
    return 10 * power;
}

std::vector<TrendScale> trendScales(const TTrend &trend, qint64 fromMs, qint64 toMs)
{
    std::vector<TrendScale> scales;
    std::vector<bool> seen;
    for (size_t i = 0; i < trend.series().size(); ++i) {
        const TTrend::Series &s = trend.series()[i];
        if (s.samples.empty()) // its unit is not known yet
            continue;
        auto it = std::find_if(scales.begin(), scales.end(),
                               [&](const TrendScale &x) { return x.unit == s.unit; });
        if (it == scales.end()) {
            scales.push_back(TrendScale{s.unit, {}, 0, 0, 1});
            seen.push_back(false);
            it = scales.end() - 1;
        }
        const size_t at = static_cast<size_t>(it - scales.begin());
        it->series.push_back(static_cast<int>(i));
        for (const TTrend::Sample &p : s.samples) {
            if (p.ms < fromMs || p.ms > toMs)
                continue;
            if (!seen[at]) {
                it->low = it->high = p.value;
                seen[at] = true;
            }
            it->low = std::min(it->low, p.value);
            it->high = std::max(it->high, p.value);
        }
    }
    for (TrendScale &scale : scales) {
        double lo = scale.low, hi = scale.high;
        if (hi - lo < 1e-9) {
            // A flat curve sits in the middle of a small round range around it.
            const double half = std::max(1e-3, trendStep(std::fabs(lo), 4));
            lo -= half;
            hi += half;
        }
        scale.step = trendStep(hi - lo, 5);
        scale.low = std::floor(lo / scale.step + 1e-9) * scale.step;
        scale.high = std::ceil(hi / scale.step - 1e-9) * scale.step;
    }
    return scales;
}

bool trendValueAt(const TTrend::Series &series, qint64 ms, qint64 gapMs, double &value)
{
    const auto after = std::upper_bound(
        series.samples.begin(), series.samples.end(), ms,
        [](qint64 t, const TTrend::Sample &s) { return t < s.ms; });
    if (after == series.samples.begin())
        return false;
    const TTrend::Sample &at = *(after - 1);
    if (ms - at.ms > gapMs)
        return false;
    value = at.value;
    return true;
}

// --- TTrendPlot ---

TTrendPlot::TTrendPlot(QWidget *parent)
    : QWidget(parent), m_trend(&m_own), m_full(false), m_spanMs(kPreviewSpanMs)
{
    setObjectName(QStringLiteral("trendPlot"));
    setToolTip(QStringLiteral("Průběh měřených hodnot za poslední minutu; dvojklik jej "
                              "otevře v okně s osami"));
}

TTrendPlot::TTrendPlot(const TTrendPlot &source, QWidget *parent)
    : QWidget(parent), m_trend(&source.trend()), m_full(true), m_spanMs(5 * 60 * 1000)
{
    setObjectName(QStringLiteral("trendFullPlot"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&source, &TTrendPlot::sampled, this, [this] {
        if (!paused())
            update();
    });
}

void TTrendPlot::sample(qint64 nowMs)
{
    m_own.sample(nowMs);
    update();
    emit sampled();
}

void TTrendPlot::addSample(int series, qint64 nowMs, double value, const QString &unit)
{
    m_own.addSample(series, nowMs, value, unit);
    update();
    emit sampled();
}

void TTrendPlot::setSpanMs(int ms)
{
    m_spanMs = std::clamp(ms, 1000, TTrend::kKeptMs);
    update();
}

void TTrendPlot::setPaused(bool paused)
{
    m_pausedAtMs = paused ? std::max<qint64>(1, m_trend->latestMs()) : 0;
    update();
}

qint64 TTrendPlot::endMs() const
{
    return m_pausedAtMs ? m_pausedAtMs : m_trend->latestMs();
}

QSize TTrendPlot::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    const int rows = static_cast<int>(std::max<size_t>(1, series().size()));
    if (m_full)
        return QSize(320, 120 + line * 2 + line * rows);
    // Room for the curves and a legend line a series.
    return QSize(200, 56 + line * (1 + rows));
}

QSize TTrendPlot::sizeHint() const
{
    if (m_full)
        return QSize(720, 420);
    return QSize(226, minimumSizeHint().height());
}

// Where the parts go: the axes' widths depend on the scales' labels.
struct TTrendPlot::Layout {
    QRect plot;
    std::vector<TrendScale> scales;
    std::vector<int> axisWidth;
    int legendTop = 0;
};

int TTrendPlot::legendRows(int width) const
{
    if (!m_full)
        return static_cast<int>(std::max<size_t>(1, series().size()));
    // Entries flow in rows: "■ name: value unit" with the latest value.
    const QFontMetrics fm = fontMetrics();
    int rows = 1, x = 0;
    for (const Series &s : series()) {
        const int w = legendEntryWidth(fm, s);
        if (x > 0 && x + w > width) {
            ++rows;
            x = 0;
        }
        x += w;
    }
    return rows;
}

TTrendPlot::Layout TTrendPlot::layout() const
{
    Layout l;
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const qint64 end = endMs();
    l.scales = trendScales(*m_trend, end - m_spanMs, end);
    const int legendHeight = line * legendRows(width() - 8) + 4;
    if (!m_full) {
        l.plot = QRect(4, 4, width() - 8, height() - 12 - line - legendHeight);
        l.legendTop = l.plot.bottom() + 2 + line;
        return l;
    }
    int left = 6;
    for (const TrendScale &s : l.scales) {
        int w = fm.horizontalAdvance(s.unit);
        const int decimals = decimalsOf(s.step);
        for (double v = s.low; v <= s.high + s.step / 2; v += s.step)
            w = std::max(w, fm.horizontalAdvance(formatFixed(v, decimals)));
        l.axisWidth.push_back(w + 10);
        left += w + 10;
    }
    const int top = line + 8;
    const int bottom = height() - legendHeight - line - 10;
    l.plot = QRect(left, top, width() - left - 12, bottom - top);
    l.legendTop = height() - legendHeight;
    return l;
}

QRect TTrendPlot::plotArea() const
{
    return layout().plot;
}

qint64 TTrendPlot::timeAtX(int x) const
{
    const QRect plot = plotArea();
    const double part = plot.width() > 0 ? double(plot.right() - x) / plot.width() : 0;
    return endMs() - qint64(std::llround(part * m_spanMs));
}

QStringList TTrendPlot::readout() const
{
    const QRect plot = plotArea();
    if (!m_full || m_mouseX < plot.left() || m_mouseX > plot.right())
        return {};
    const qint64 at = timeAtX(m_mouseX);
    QStringList lines{QDateTime::fromMSecsSinceEpoch(at).toString(QStringLiteral("HH:mm:ss"))};
    for (const Series &s : series()) {
        double value = 0;
        if (trendValueAt(s, at, kGapMs, value))
            lines << s.name + QStringLiteral(": ") + withUnit(formatShortest(value), s.unit);
    }
    return lines;
}

void TTrendPlot::mouseMoveEvent(QMouseEvent *event)
{
    m_mouseX = event->position().toPoint().x();
    update();
    QWidget::mouseMoveEvent(event);
}

void TTrendPlot::leaveEvent(QEvent *event)
{
    m_mouseX = -1;
    update();
    QWidget::leaveEvent(event);
}

void TTrendPlot::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_full)
        emit opened();
    QWidget::mouseDoubleClickEvent(event);
}

void TTrendPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const Layout l = layout();
    const QRect plot = l.plot;
    if (plot.height() < 10 || plot.width() < 20)
        return;
    const qint64 end = endMs();
    const qint64 start = end - m_spanMs;
    auto xOf = [&](qint64 ms) { return plot.left() + double(ms - start) / m_spanMs * plot.width(); };

    // Time grid: round wall-clock moments, labelled in the full view.
    const qint64 tick = m_spanMs <= 60000 ? 10000 : m_spanMs <= 300000 ? 60000 : 300000;
    const qint64 offset =
        qint64(QDateTime::fromMSecsSinceEpoch(end).offsetFromUtc()) * 1000;
    QColor grid = palette().mid().color();
    grid.setAlpha(m_full ? 110 : 90);
    for (qint64 t = (start + offset) / tick * tick - offset; t <= end; t += tick) {
        if (t < start)
            continue;
        const int x = int(std::lround(xOf(t)));
        p.setPen(grid);
        p.drawLine(x, plot.top(), x, plot.bottom());
        if (m_full) {
            const QString text = QDateTime::fromMSecsSinceEpoch(t).toString(
                tick < 60000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
            const int w = fm.horizontalAdvance(text);
            p.setPen(palette().text().color());
            p.drawText(QRect(std::clamp(x - w / 2, plot.left() - w / 2, width() - w - 2),
                             plot.bottom() + 4, w, line),
                       Qt::AlignCenter, text);
        }
    }
    if (!m_full) {
        p.setPen(palette().text().color());
        const QRect below(plot.left(), plot.bottom() + 1, plot.width() - 3, line);
        p.drawText(below, Qt::AlignLeft,
                   m_spanMs % 60000 == 0 ? QStringLiteral("-%1 min").arg(m_spanMs / 60000)
                                         : QStringLiteral("-%1 s").arg(m_spanMs / 1000));
        p.drawText(below, Qt::AlignRight, QStringLiteral("teď"));
    }

    // Value axes, one per unit, side by side left of the curves.
    std::vector<const TrendScale *> scaleOf(series().size(), nullptr);
    int axisRight = plot.left();
    for (size_t a = 0; a < l.scales.size(); ++a) {
        const TrendScale &s = l.scales[a];
        for (int i : s.series)
            scaleOf[static_cast<size_t>(i)] = &s;
        if (!m_full)
            continue;
        // An axis of one series takes its colour; a shared one stays neutral.
        const QColor colour = s.series.size() == 1 ? colourOf(static_cast<size_t>(s.series[0]))
                                                   : palette().text().color();
        const int w = l.axisWidth[a];
        p.setPen(colour);
        p.drawLine(axisRight - 1, plot.top(), axisRight - 1, plot.bottom());
        p.drawText(QRect(axisRight - w, 2, w - 4, line), Qt::AlignRight | Qt::AlignVCenter,
                   s.unit);
        const int decimals = decimalsOf(s.step);
        for (double v = s.low; v <= s.high + s.step / 2; v += s.step) {
            const int y = int(std::lround(plot.bottom() - (v - s.low) / (s.high - s.low) *
                                                              plot.height()));
            p.setPen(colour);
            p.drawLine(axisRight - 4, y, axisRight - 1, y);
            p.drawText(QRect(axisRight - w, y - line / 2, w - 6, line),
                       Qt::AlignRight | Qt::AlignVCenter, formatFixed(v, decimals));
            if (a == 0) {
                p.setPen(grid);
                p.drawLine(plot.left(), y, plot.right(), y);
            }
        }
        axisRight -= w;
    }
    p.setPen(palette().mid().color());
    p.drawRect(plot);

    p.save();
    p.setClipRect(plot.adjusted(0, -1, 1, 1));
    p.setRenderHint(QPainter::Antialiasing);
    for (size_t i = 0; i < series().size(); ++i) {
        const Series &s = series()[i];
        const TrendScale *scale = scaleOf[i];
        if (!scale)
            continue;
        QPainterPath path;
        qint64 previous = 0;
        for (const Sample &x : s.samples) {
            if (x.ms < start - kGapMs || x.ms > end)
                continue;
            const double fy =
                plot.bottom() - (x.value - scale->low) / (scale->high - scale->low) * plot.height();
            if (path.elementCount() == 0 || x.ms - previous > kGapMs)
                path.moveTo(xOf(x.ms), fy);
            else
                path.lineTo(xOf(x.ms), fy);
            previous = x.ms;
        }
        p.setPen(QPen(colourOf(i), m_full ? 2.0 : 1.5));
        p.drawPath(path);
    }
    p.restore();

    // Legend: colour, name, latest value. The value is what matters: the name gives way.
    int x = 4, y = l.legendTop;
    for (size_t i = 0; i < series().size(); ++i) {
        const Series &s = series()[i];
        const QString value =
            s.samples.empty() ? QString() : withUnit(formatShortest(s.samples.back().value), s.unit);
        const int swatch = line / 2;
        const int valueWidth = fm.horizontalAdvance(value);
        int nameWidth = fm.horizontalAdvance(s.name + QStringLiteral(": "));
        if (m_full) {
            const int w = legendEntryWidth(fm, s);
            if (x > 4 && x + w > width() - 4) {
                x = 4;
                y += line;
            }
        } else {
            nameWidth = std::min(nameWidth, width() - 12 - swatch - valueWidth);
            x = 4;
        }
        p.fillRect(QRect(x, y + (line - swatch) / 2, swatch, swatch), colourOf(i));
        p.setPen(colourOf(i));
        const QString name = value.isEmpty() ? s.name : s.name + QStringLiteral(": ");
        // Shortened only when it does not fit (elidedText measures a little wider).
        const QString shown = fm.horizontalAdvance(name) <= nameWidth
                                  ? name
                                  : fm.elidedText(name, Qt::ElideMiddle, nameWidth);
        p.drawText(QRect(x + swatch + 4, y, nameWidth + 4, line),
                   Qt::AlignLeft | Qt::AlignVCenter, shown);
        p.setPen(palette().text().color());
        p.drawText(QRect(x + swatch + 4 + nameWidth, y, valueWidth + 2, line),
                   Qt::AlignLeft | Qt::AlignVCenter, value);
        if (m_full)
            x += legendEntryWidth(fm, s);
        else
            y += line;
    }

    // The mouse: a line at its time and a box with the time and the values then.
    const QStringList lines = readout();
    if (!lines.isEmpty()) {
        p.setPen(QPen(palette().text().color(), 1, Qt::DashLine));
        p.drawLine(m_mouseX, plot.top(), m_mouseX, plot.bottom());
        int w = 0;
        for (const QString &text : lines)
            w = std::max(w, fm.horizontalAdvance(text));
        QRect box(m_mouseX + 8, plot.top() + 4, w + 12, line * int(lines.size()) + 6);
        if (box.right() > plot.right())
            box.moveRight(m_mouseX - 8);
        QColor back = palette().toolTipBase().color();
        back.setAlpha(235);
        p.fillRect(box, back);
        p.setPen(palette().mid().color());
        p.drawRect(box);
        p.setPen(palette().toolTipText().color());
        for (int i = 0; i < lines.size(); ++i)
            p.drawText(QRect(box.left() + 6, box.top() + 3 + i * line, w + 2, line),
                       Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    }
}
