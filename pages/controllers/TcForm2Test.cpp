#include "pages/controllers/TcForm2Test.h"

#include "pages/controllers/TcForm2.h"
#include "pages/framework/Countdown.h"
#include "pages/framework/Exchanges.h"
#include "pages/framework/Fields.h"
#include "shell/SystemDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList kModels = {QStringLiteral("E-7PZ"), QStringLiteral("E 7PZ")};
const char *const kModeKeys[] = {"c2AutCheckBox", "c2IOCheckBox", "c2EktCheckBox",
                                 "c2PidCheckBox", "c2OhChCheckBox"};
const char *const kOutputKeys[] = {"c2RUpCheckBox",  "c2RDnCheckBox",  "c2RMinCheckBox",
                                   "c2RMaxCheckBox", "c2RRxCheckBox",  "c2RSynCheckBox",
                                   "c2NMinCheckBox", "c2NMaxCheckBox"};
constexpr int kPassWaitMs = 7000;

} // namespace

std::vector<TestEntry> TcForm2Test::entries(const std::vector<quint16> &r)
{
    // Words are kept signed, as the file always held them.
    std::vector<TestEntry> e = {
        {QStringLiteral("c2ZdTerScrollBar"), qint16(r[6])},
        {QStringLiteral("c2ZdSpComboBox"), r[7] >> 8},
        {QStringLiteral("c2ZdIntComboBox"), r[7] & 0xFF},
        {QStringLiteral("c2ZdTpComboBox"), qint16(r[8])},
        {QStringLiteral("c2ZdVminComboBox"), r[9] >> 8},
        {QStringLiteral("c2ZdVmaxComboBox"), r[9] & 0xFF},
        {QStringLiteral("c2ZdVkmnComboBox"), r[10] >> 8},
        {QStringLiteral("c2ZdHysComboBox"), r[10] & 0xFF},
        {QStringLiteral("c2ZdEtvComboBox"), qint16(r[11])},
    };
    for (int i = 0; i < 5; ++i)
        e.push_back({QString::fromLatin1(kModeKeys[i]), (r[0] >> (8 + i)) & 1});
    for (int i = 0; i < 8; ++i)
        e.push_back({QString::fromLatin1(kOutputKeys[i]), (r[0] >> i) & 1});
    return e;
}

std::vector<TestWrite> TcForm2Test::preparation()
{
    return {{0x2000, {kRestPattern}}, {0x2006, {1, 0, 1, 100, 25600, 1}}};
}

TestKind TcForm2Test::kind()
{
    return {testKeys(entries, 12), restoreOf};
}

QString TcForm2Test::notRestored()
{
    return QStringLiteral("Původní nastavení se nepodařilo zapsat zpět do zařízení. Soubor "
                          "test.ini zůstává uložen.");
}

quint8 TcForm2Test::storedModeFlags(const TTestFile &file)
{
    quint8 bits = 0;
    for (int i = 0; i < 5; ++i)
        bits = quint8(bits | (file.bit(QString::fromLatin1(kModeKeys[i]), 0) << i));
    return bits;
}

quint8 TcForm2Test::storedOutputFlags(const TTestFile &file)
{
    quint8 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = quint8(bits | (file.bit(QString::fromLatin1(kOutputKeys[i]), 0) << i));
    return bits;
}

TcForm2Test::TcForm2Test(TComponentForm &page)
    : TOutputTestForm(page, QStringLiteral("cForm2Test"), QStringLiteral("E-7PZ Test"),
                      Placement::OverPage)
{
    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(10, 10, 10, 10);
    m_state = new QLabel(QStringLiteral("Testování přípravku E-7PZ"), body());
    m_state->setObjectName(QStringLiteral("c2TestStateLabel"));
    layout->addWidget(m_state);
    m_mode = new TRadioGroup(QStringLiteral("Režim"),
                             {QStringLiteral("Automaticky"), QStringLiteral("Manuálně")}, body(), 2);
    m_mode->setObjectName(QStringLiteral("c2TestModeRadioGroup"));
    m_mode->setToolTip(QStringLiteral("Výběr režimu"));
    m_mode->setItemIndex(0);
    connect(m_mode, &TRadioGroup::clicked, this, [this] { c2TestModeRadioGroupClick(); });
    layout->addWidget(m_mode);
    auto *outputs = new QGroupBox(QStringLiteral("Výstupy"), body());
    outputs->setObjectName(QStringLiteral("c2TestOutGroupBox"));
    outputs->setToolTip(QStringLiteral("Vyberte výstupy, které chcete otestovat"));
    auto *grid = new QGridLayout(outputs);
    const char *captions[] = {"DO.0 (UP)", "DO.1 (DOWN)", "DO.2 (MIN)", "DO.3 (MAX)", "DO.4 (RX)"};
    for (int i = 0; i < 5; ++i) {
        auto *box = new QCheckBox(QString::fromLatin1(captions[i]), outputs);
        box->setObjectName(QStringLiteral("c2TestOut%1CheckBox").arg(i));
        box->setToolTip(QStringLiteral("Výstup %1").arg(i));
        box->setEnabled(false);
        grid->addWidget(box, i % 3, i / 3);
        m_boxes[i] = box;
    }
    layout->addWidget(outputs);
    m_run = new QPushButton(QStringLiteral("Spustit test"), body());
    m_run->setObjectName(QStringLiteral("c2TestRunButton"));
    m_run->setToolTip(QStringLiteral("Tímto tlačítkem spustíte test"));
    connect(m_run, &QPushButton::clicked, this, [this] { c2TestRunButtonClick(); });
    layout->addWidget(m_run);

    m_countdown = new TButtonCountdown(this);
    m_countdown->setLockTime(6000);
    connect(m_countdown, &TButtonCountdown::captionBack, this, [this] { releaseClose(); });
    connect(m_countdown, &TButtonCountdown::unlocked, this, [this] { unlock(); });
    // The module needs its time in the test state before the first run.
    lock(4);
}

void TcForm2Test::lock(int count)
{
    // While the countdown goes the run button, the mode and the boxes wait, and closing waits
    // until the caption is back.
    holdClose();
    m_mode->setEnabled(false);
    for (QCheckBox *b : m_boxes)
        b->setEnabled(false);
    m_countdown->start(m_run, QStringLiteral("Spustit test"), count, {m_run});
}

void TcForm2Test::unlock()
{
    m_mode->setEnabled(true);
    c2TestModeRadioGroupClick();
}

bool TcForm2Test::locked() const
{
    return stepRunning() || m_countdown->running();
}

void TcForm2Test::c2TestModeRadioGroupClick()
{
    const bool manual = m_mode->itemIndex() == 1;
    for (QCheckBox *b : m_boxes)
        b->setEnabled(manual && m_mode->isEnabled());
}

Outcome TcForm2Test::c2TestRunButtonClick()
{
    if (locked())
        return Outcome::refused();
    holdClose();
    Outcome outcome;
    {
        const Step step(*this);
        m_run->setEnabled(false);
        m_mode->setEnabled(false);
        for (QCheckBox *b : m_boxes)
            b->setEnabled(false);
        const bool manual = m_mode->itemIndex() == 1;
        TSystemDialog *d = dialog();
        if (d) {
            d->showOverPage();
            d->setMaximum(6);
            d->setPosition(0);
            d->setBarVisible(true);
        }
        outcome = attempt([&] {
            const quint8 mode = storedModeFlags(TTestFile(TTestFile::Use::Run));
            bool any = false;
            for (int pass = 0; pass < 6; ++pass) {
                const bool skipped = pass < 5 ? manual && !m_boxes[pass]->isChecked() : any;
                if (!skipped) {
                    // The stored mode flags are read from the file again for every write.
                    const quint8 stored = storedModeFlags(TTestFile(TTestFile::Use::Run));
                    const int pattern = pass < 5 ? kPatterns[pass] : kRestPattern;
                    exchange::identification(transmit(), kModels, false);
                    exchange::writeHolding(transmit(), 0x2000, {quint16((stored << 8) | pattern)});
                    noteWritten(0x2000, 1);
                    any = any || pass < 5;
                    wait(kPassWaitMs);
                }
                if (d)
                    d->setPosition(d->position() + 1);
            }
            exchange::writeHolding(transmit(), 0x2000, {quint16((mode << 8) | kRestPattern)});
            noteWritten(0x2000, 1);
        });
        if (d) {
            d->setBarVisible(false);
            d->closeOverPage();
        }
    }
    // After a good run and after a failed one alike, the window becomes usable again.
    lock(5);
    return stepDone(outcome);
}

std::vector<TestWrite> TcForm2Test::restoreWrites(const TTestFile &file)
{
    return restoreOf(file);
}

std::vector<TestWrite> TcForm2Test::restoreOf(const TTestFile &file)
{
    const auto word = [&file](const char *key, int fallback) {
        return quint16(file.word(QString::fromLatin1(key), fallback));
    };
    const auto byte = [&file](const char *key) { return file.byte(QString::fromLatin1(key), 0); };
    return {{0x2000, {quint16((storedModeFlags(file) << 8) | storedOutputFlags(file))}},
            {0x2006,
             {word("c2ZdTerScrollBar", 2),
              quint16((byte("c2ZdSpComboBox") << 8) | byte("c2ZdIntComboBox")),
              word("c2ZdTpComboBox", 0),
              quint16((byte("c2ZdVminComboBox") << 8) | byte("c2ZdVMaxComboBox")),
              quint16((byte("c2ZdVkmnComboBox") << 8) | byte("c2ZdHysComboBox")),
              word("c2ZdEtvComboBox", 0)}}};
}

void TcForm2Test::afterRestore(bool)
{
    if (auto *p = qobject_cast<TcForm2 *>(&page()))
        p->testWindowClosed();
}
