#include "pages/framework/Protocol.h"

#include "pages/framework/TComponentForm.h"
#include "shell/Identification.h"
#include "shell/Shell.h"

#include <QComboBox>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {

const QString kProgram = QStringLiteral("TORVAK Ovrin");
const QString kVersion = QStringLiteral("1.0.15");
const QString kFamily = QStringLiteral("DejaVu Sans");
constexpr int kDpi = 300;

QString stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("d.M.yyyy H:mm:ss"));
}

// One line of the settings flow: a group's title or a setting.
struct Row {
    const Setting *setting = nullptr;
    QString title;
};

class Sheet
{
public:
    Sheet(QPdfWriter &writer, QPainter &painter) : m_writer(writer), m_p(painter)
    {
        const QRect page = m_writer.pageLayout().paintRectPixels(kDpi);
        m_width = page.width();
        m_height = page.height();
    }

    QFont font(double points, bool bold = false) const
    {
        QFont f(kFamily);
        f.setPointSizeF(points);
        f.setBold(bold);
        // No ligatures: "fi" stays two letters, so the PDF's text is found as typed.
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }
    // Height of the text in a box of the width (wrapped at words).
    double textHeight(const QString &text, const QFont &f, double width) const
    {
        const QFontMetricsF fm(f, &m_writer);
        return fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
    }
    double lineHeight(const QFont &f) const { return QFontMetricsF(f, &m_writer).lineSpacing(); }
    double text(const QString &text, const QFont &f, const QRectF &box,
                int flags = Qt::AlignLeft | Qt::AlignTop)
    {
        m_p.setFont(f);
        QRectF used;
        m_p.drawText(box, flags | Qt::TextWordWrap, text, &used);
        return used.height();
    }
    void rule(double y, double x0, double x1, double width = 1)
    {
        m_p.setPen(QPen(Qt::black, width));
        m_p.drawLine(QPointF(x0, y), QPointF(x1, y));
    }
    void newPage() { m_writer.newPage(); }

    double width() const { return m_width; }
    double height() const { return m_height; }
    QPainter &painter() { return m_p; }

private:
    QPdfWriter &m_writer;
    QPainter &m_p;
    double m_width = 0;
    double m_height = 0;
};

// The settings in their groups, one column or two, at a size that fits one page if any does.
class SettingsFlow
{
public:
    SettingsFlow(Sheet &sheet, const std::vector<Setting> &settings) : m_sheet(sheet)
    {
        // Each group once, in the order the page first shows it.
        QStringList groups;
        for (const Setting &s : settings)
            if (!groups.contains(s.group))
                groups << s.group;
        for (const QString &group : groups) {
            m_rows.push_back(
                {nullptr, group.isEmpty() ? QStringLiteral("Další nastavení") : group});
            for (const Setting &s : settings)
                if (s.group == group)
                    m_rows.push_back({&s, QString()});
        }
    }

    // Chooses the columns and size for the room left on the first page.
    void fit(double room)
    {
        const std::pair<double, int> tries[] = {{9, 1}, {8, 1}, {9, 2}, {8, 2}, {7, 2},
                                                {7, 3}, {6.5, 3}, {6, 3}};
        for (const auto &[points, columns] : tries) {
            m_points = points;
            m_columns = columns;
            if (columnsNeeded(room) <= columns)
                return;
        }
    }

    // Draws from top down to bottom on the first page, continuing on further pages;
    // returns the y below.
    double draw(double top, double limit)
    {
        const double gap = m_sheet.width() * 0.04;
        const double colWidth = (m_sheet.width() - gap * (m_columns - 1)) / m_columns;
        int column = 0;
        double y = top;
        double bottom = top;
        double pageTop = top;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            double h = heightOf(m_rows[i], colWidth);
            // A title stays with its first setting.
            if (!m_rows[i].setting && i + 1 < m_rows.size())
                h += heightOf(m_rows[i + 1], colWidth);
            if (y + h > limit && y > pageTop) {
                if (++column >= m_columns) {
                    m_sheet.newPage();
                    column = 0;
                    pageTop = 0;
                    bottom = 0;
                }
                y = pageTop;
            }
            const double x = column * (colWidth + gap);
            y += drawRow(m_rows[i], x, y, colWidth);
            bottom = std::max(bottom, y);
        }
        return bottom;
    }

private:
    QFont captionFont() const { return m_sheet.font(m_points); }
    QFont valueFont() const { return m_sheet.font(m_points, true); }
    QFont titleFont() const { return m_sheet.font(m_points + 0.5, true); }
    double pictureSize() const { return m_sheet.lineHeight(captionFont()) * 1.2; }

    double heightOf(const Row &r, double width) const
    {
        const double pad = m_sheet.lineHeight(captionFont()) * 0.25;
        if (!r.setting)
            return m_sheet.textHeight(r.title, titleFont(), width) + pad * 3;
        const double caption = m_sheet.textHeight(r.setting->caption, captionFont(), width * 0.56);
        const double value = r.setting->picture >= 0
                                 ? pictureSize()
                                 : m_sheet.textHeight(r.setting->value, valueFont(), width * 0.3);
        return std::max(caption, value) + pad;
    }

    int columnsNeeded(double room) const
    {
        const double gap = m_sheet.width() * 0.04;
        const double width = (m_sheet.width() - gap * (m_columns - 1)) / m_columns;
        int columns = 1;
        double y = 0;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            double h = heightOf(m_rows[i], width);
            if (!m_rows[i].setting && i + 1 < m_rows.size())
                h += heightOf(m_rows[i + 1], width);
            if (y + h > room) {
                ++columns;
                y = 0;
            }
            y += heightOf(m_rows[i], width);
        }
        return columns;
    }

    double drawRow(const Row &r, double x, double y, double width)
    {
        const double pad = m_sheet.lineHeight(captionFont()) * 0.25;
        if (!r.setting) {
            const double h = m_sheet.text(r.title, titleFont(), QRectF(x, y + pad * 2, width, 1e6));
            m_sheet.rule(y + pad * 2 + h, x, x + width, 2);
            return h + pad * 3;
        }
        const Setting &s = *r.setting;
        const double h = heightOf(r, width) - pad;
        const double captionH =
            m_sheet.text(s.caption, captionFont(), QRectF(x, y, width * 0.56, 1e6));
        Q_UNUSED(captionH);
        const double vx = x + width * 0.58;
        if (s.picture >= 0) {
            QIcon icon;
            if (auto *combo = qobject_cast<const QComboBox *>(s.control))
                icon = combo->itemIcon(s.picture);
            const double side = pictureSize();
            if (!icon.isNull()) {
                const QPixmap pm = icon.pixmap(QSize(64, 64));
                const double w = pm.height() > 0 ? side * pm.width() / pm.height() : side;
                m_sheet.painter().drawPixmap(QRectF(vx, y, w, side), pm, QRectF(pm.rect()));
                m_sheet.text(s.value, captionFont(), QRectF(vx + w + pad * 2, y, width * 0.3, h),
                             Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                m_sheet.text(s.value, captionFont(), QRectF(vx, y, width * 0.3, 1e6));
            }
        } else {
            m_sheet.text(s.value, valueFont(), QRectF(vx, y, width * 0.3, 1e6));
        }
        m_sheet.text(s.unit, captionFont(), QRectF(x + width * 0.88, y, width * 0.12, 1e6));
        m_sheet.painter().setPen(QPen(QColor(190, 190, 190), 1));
        m_sheet.painter().drawLine(QPointF(x, y + h + pad / 2), QPointF(x + width, y + h + pad / 2));
        m_sheet.painter().setPen(Qt::black);
        return h + pad;
    }

    Sheet &m_sheet;
    std::vector<Row> m_rows;
    double m_points = 9;
    int m_columns = 1;
};

} // namespace

ProtocolFacts protocolFacts(const TComponentForm &page, const QDateTime &at, bool written)
{
    ProtocolFacts f;
    f.model = page.traits().caption;
    f.identification = identificationName(page.deviceIdentification());
    f.firmware = page.deviceFirmware();
    f.customerText = customerTextOf(page);
    if (Shell::isInstalled() && Shell::instance().portNumber() > 0)
        f.port = QStringLiteral("COM%1").arg(Shell::instance().portNumber());
    f.made = QDateTime::currentDateTime();
    f.written = written;
    f.confirmedAt = at;
    return f;
}

QString protocolResult(const ProtocolFacts &facts)
{
    return (facts.written ? QStringLiteral("Ověřeno zpětným čtením ")
                          : QStringLiteral("Načteno ze zařízení ")) +
           stamp(facts.confirmedAt);
}

bool writeProtocol(const QString &file, const ProtocolFacts &facts,
                   const std::vector<Setting> &settings, QString *error)
{
    // Written beside the target and renamed: a failed document never replaces a good one.
    const QString partial = file + QStringLiteral(".part");
    {
        QPdfWriter writer(partial);
        writer.setResolution(kDpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("Protokol o nastavení – ") + facts.model);
        writer.setCreator(kProgram + QLatin1Char(' ') + kVersion);
        QPainter painter;
        if (!painter.begin(&writer)) {
            QFile::remove(partial);
            if (error)
                *error = QStringLiteral("Protokol nelze uložit do souboru ") + file;
            return false;
        }
        Sheet sheet(writer, painter);
        const double w = sheet.width();
        double y = 0;
        y += sheet.text(QStringLiteral("Protokol o nastavení zařízení ") + facts.model,
                        sheet.font(15, true), QRectF(0, y, w, 1e6));
        y += sheet.lineHeight(sheet.font(6));
        sheet.rule(y, 0, w, 3);
        y += sheet.lineHeight(sheet.font(6));

        const QList<QPair<QString, QString>> head = {
            {QStringLiteral("Program"), kProgram + QLatin1Char(' ') + kVersion},
            {QStringLiteral("Datum a čas"), stamp(facts.made)},
            {QStringLiteral("Model"), facts.model},
            {QStringLiteral("Identifikace"), facts.identification},
            {QStringLiteral("Firmware"), facts.firmware},
            {QStringLiteral("Zákaznický text"), facts.customerText},
            {QStringLiteral("Port"), facts.port},
        };
        // Two columns of facts: they take little room and leave it to the settings.
        const QFont label = sheet.font(9);
        const QFont value = sheet.font(9, true);
        const double half = w / 2;
        const double line = sheet.lineHeight(label) * 1.15;
        for (int i = 0; i < head.size(); ++i) {
            const double x = (i % 2) * half;
            const double row = y + (i / 2) * line;
            sheet.text(head[i].first + QLatin1Char(':'), label, QRectF(x, row, half * 0.36, line));
            sheet.text(head[i].second, value, QRectF(x + half * 0.36, row, half * 0.62, line));
        }
        y += ((head.size() + 1) / 2) * line + line * 0.3;

        // Result and signature lines at the foot of the last page.
        const QFont foot = sheet.font(9);
        const double footLine = sheet.lineHeight(foot);
        const double footHeight = footLine * 7.5;

        SettingsFlow flow(sheet, settings);
        flow.fit(sheet.height() - y - footHeight);
        y = flow.draw(y, sheet.height() - footHeight);
        if (y + footHeight > sheet.height()) {
            sheet.newPage();
            y = 0;
        }
        y = std::max(y + footLine, sheet.height() - footHeight);
        sheet.rule(y, 0, w, 3);
        y += footLine * 0.5;
        sheet.text(QStringLiteral("Výsledek: "), foot, QRectF(0, y, w * 0.2, footLine * 1.2));
        sheet.text(protocolResult(facts), sheet.font(9, true),
                   QRectF(w * 0.2, y, w * 0.8, footLine * 1.2));
        y += footLine * 2.5;
        const QStringList blanks = {QStringLiteral("Jméno technika:"), QStringLiteral("Místo:"),
                                    QStringLiteral("Podpis:")};
        const double third = w / 3;
        for (int i = 0; i < blanks.size(); ++i) {
            const double x = i * third;
            sheet.text(blanks[i], foot, QRectF(x, y, third, footLine * 1.2));
            sheet.rule(y + footLine * 3, x, x + third - w * 0.03, 1);
        }
        if (!painter.end()) {
            QFile::remove(partial);
            if (error)
                *error = QStringLiteral("Protokol nelze uložit do souboru ") + file;
            return false;
        }
    }
    QFile::remove(file);
    if (!QFile::rename(partial, file)) {
        QFile::remove(partial);
        if (error)
            *error = QStringLiteral("Protokol nelze uložit do souboru ") + file;
        return false;
    }
    return true;
}
