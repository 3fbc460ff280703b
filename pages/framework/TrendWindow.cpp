#include "pages/framework/TrendWindow.h"

#include "pages/framework/TrendPlot.h"
#include "platform/Prompts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void saveTrendAsked(const TTrend &trend)
{
    const QString file = Prompts::instance().saveFileName(QStringLiteral("Uložit průběh"),
                                                          QStringLiteral("Soubory CSV (*.csv)"));
    if (!file.isEmpty() && !trend.saveCsv(file))
        Prompts::instance().message(QStringLiteral("Průběh nelze uložit do souboru ") + file,
                                    QStringLiteral("Chyba"), PromptIcon::Error);
}

TTrendWindow::TTrendWindow(const TTrendPlot &preview, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(QStringLiteral("Průběh"));
    auto *outer = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto *spans = new QButtonGroup(this);
    m_plot = new TTrendPlot(preview, this);
    for (const int minutes : {1, 5, 30}) {
        auto *span = new QRadioButton(QStringLiteral("&%1 min").arg(minutes), this);
        span->setObjectName(QStringLiteral("trendSpan%1").arg(minutes));
        span->setToolTip(QStringLiteral("Zobrazí posledních %1 min průběhu").arg(minutes));
        span->setChecked(minutes * 60000 == m_plot->spanMs());
        spans->addButton(span, minutes);
        bar->addWidget(span);
    }
    connect(spans, &QButtonGroup::idClicked, this,
            [this](int minutes) { m_plot->setSpanMs(minutes * 60000); });
    bar->addStretch(1);
    m_pause = new QPushButton(QStringLiteral("&Pozastavit"), this);
    m_pause->setObjectName(QStringLiteral("trendPauseButton"));
    m_pause->setToolTip(QStringLiteral("Zastaví zobrazení; měření se zaznamenává dál"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this](bool on) {
        m_plot->setPaused(on);
        m_pause->setText(on ? QStringLiteral("&Pokračovat") : QStringLiteral("&Pozastavit"));
    });
    auto *save = new QPushButton(QStringLiteral("&Uložit CSV…"), this);
    save->setObjectName(QStringLiteral("trendWindowSaveButton"));
    save->setToolTip(QStringLiteral("Uloží průběh měřených hodnot do souboru CSV"));
    connect(save, &QPushButton::clicked, this, [this] { saveTrendAsked(m_plot->trend()); });
    bar->addWidget(m_pause);
    bar->addWidget(save);
    outer->addLayout(bar);
    outer->addWidget(m_plot, 1);
}

QAbstractButton *TTrendWindow::spanButton(int minutes) const
{
    return findChild<QAbstractButton *>(QStringLiteral("trendSpan%1").arg(minutes));
}
