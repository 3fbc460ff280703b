// The E-7PZ live window: the two input temperatures, the valve's action and positions, and
// the states of the five outputs, polled from registers 0x0000-0x0003.

#include "pages/controllers/TcForm2.h"

#include "pages/framework/NumberText.h"
#include "pages/framework/Shape.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

struct Row {
    const char *memo; // its unit label is named ...ULabel
    const char *caption;
    const char *initial;
    const char *unit;
    const char *widest;
};

} // namespace

Tc2extForm::Tc2extForm(TComponentForm &page) : TExtraForm(page)
{
    // After a failed poll the reader resumes sooner than on other pages.
    Timer->setInterval(resumeDelayMs());
    const auto group = [this](const QString &title, std::initializer_list<Row> rows) {
        auto *box = new QGroupBox(title, this);
        auto *grid = new QGridLayout(box);
        std::vector<QLineEdit *> memos;
        int row = 0;
        for (const Row &r : rows) {
            const QString name = QString::fromLatin1(r.memo);
            const QString caption = QString::fromUtf8(r.caption);
            memos.push_back(memoRow(*grid, row++, name, caption, caption, caption,
                                    QString::fromLatin1(r.initial),
                                    QString(name).replace(QStringLiteral("Memo"),
                                                          QStringLiteral("ULabel")),
                                    QString::fromUtf8(r.unit), QString::fromLatin1(r.widest))
                                .memo);
        }
        contentLayout()->addWidget(box);
        return memos;
    };
    const auto inputs = group(QStringLiteral("Teplota na vstupech modulu"),
                              {{"AI0TemperatureMemo", "Teplota ze vstupu AI.0", "0,0", "°C", "-999,9"},
                               {"AI1TemperatureMemo", "Teplota ze vstupu AI.1", "0,0", "°C", "-999,9"}});
    AI0TemperatureMemo = inputs[0];
    AI1TemperatureMemo = inputs[1];
    const auto valve = group(QStringLiteral("Nastavení ventilu"),
                             {{"actionShotMemo", "Akční zásah", "0", "%", "255"},
                              {"requirePositionMemo", "Požadovaná poloha", "0", "%", "255"},
                              {"actualPositionMemo", "Aktuálnní poloha", "0", "%", "255"}});
    actionShotMemo = valve[0];
    requirePositionMemo = valve[1];
    actualPositionMemo = valve[2];
    auto *outs = new QGroupBox(QStringLiteral("Stavy výstupů DO"), this);
    auto *og = new QGridLayout(outs);
    og->setContentsMargins(6, 6, 6, 6);
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i);
        auto *label = new QLabel("DO." + n, outs);
        label->setObjectName("DO" + n + "Label");
        DOShape[i] = new TShape("DO" + n + "Shape", outs, 16);
        DOShape[i]->setState(QColor(0x80, 0, 0), "Stav výstupu DO." + n);
        og->addWidget(label, 0, i, Qt::AlignHCenter);
        og->addWidget(DOShape[i], 1, i, Qt::AlignHCenter);
    }
    contentLayout()->addWidget(outs);
    setReader(new Tc2extThread(page, *this));
}

Tc2extThread::Tc2extThread(TComponentForm &page, Tc2extForm &window)
    : TFormThread(page, window), m_form(window), m_models(page.traits().models)
{
}

bool Tc2extThread::readValues()
{
    checkIdentification(m_models);
    const auto r = readRegisters(0x0000, 4);
    for (int i = 0; i < 4; ++i)
        m_values[i] = r.at(size_t(i));
    return true;
}

void Tc2extThread::showValues()
{
    m_form.AI0TemperatureMemo->setText(formatFixed(qint16(m_values[0]) / 10.0, 1));
    m_form.AI1TemperatureMemo->setText(formatFixed(qint16(m_values[1]) / 10.0, 1));
    m_form.actionShotMemo->setText(QString::number(m_values[2] >> 8));
    m_form.requirePositionMemo->setText(QString::number(m_values[2] & 0xFF));
    m_form.actualPositionMemo->setText(QString::number(m_values[3] >> 8));
    for (int i = 0; i < 5; ++i)
        m_form.DOShape[i]->setState(m_values[3] & (1 << i) ? QColor(Qt::red) : QColor(0x80, 0, 0),
                                    "Stav výstupu DO." + QString::number(i));
}
