#include "shell/StatusPanels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

StatusPanels::StatusPanels(const QList<int> &widths, QWidget *parent)
    : QStatusBar(parent), m_timer(new QTimer(this))
{
    setSizeGripEnabled(false);
    for (int i = 0; i < widths.size(); ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        const bool last = i == widths.size() - 1;
        if (last)
            label->setMinimumWidth(widths[i]);
        else
            label->setFixedWidth(widths[i]);
        addPermanentWidget(label, last ? 1 : 0);
        m_panels.append(label);
    }
    m_timer->setInterval(2000);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_panels.isEmpty())
            m_panels.last()->clear();
    });
}

QString StatusPanels::panelText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel]->setText(text);
}

void StatusPanels::fitPanel(int panel, const QStringList &texts)
{
    QLabel *label = this->panel(panel);
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int width = label->width();
    for (const QString &text : texts)
        width = qMax(width, metrics.horizontalAdvance(text) + 2 * label->frameWidth() + 20);
    label->setFixedWidth(width);
}

QLabel *StatusPanels::panel(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel] : nullptr;
}

void StatusPanels::showStatusMessage(const QString &text)
{
    m_timer->stop();
    m_timer->start();
    if (!m_panels.isEmpty())
        m_panels.last()->setText(text);
}
