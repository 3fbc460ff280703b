// The E-7PZ page: its controls, register image and saved controls, the enabling rules, the
// send countdown and the start of the output test. The dead band is in TcForm2DeadBand.cpp,
// the live window in TcForm2Live.cpp.

#include "pages/controllers/TcForm2.h"

#include "pages/controllers/TcForm2Test.h"

#include "pages/framework/Countdown.h"
#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/Shape.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

const QStringList kModels = {QStringLiteral("E-7PZ"), QStringLiteral("E 7PZ")};

QStringList numbers(int last)
{
    QStringList items;
    for (int i = 0; i <= last; ++i)
        items << QString::number(i);
    return items;
}

void enableField(TNumericField *f, bool on)
{
    f->edit()->setEnabled(on);
    f->bar()->setEnabled(on);
}

// A percent byte: above 100 shows as 100.
int percentIndex(int byte)
{
    return byte > 100 ? 100 : byte;
}

} // namespace

// --- page ---

QComboBox &TcForm2::percentCombo(QGroupBox &group, const QString &name, const QString &caption,
                                 int last, const QString &unit, const QString &hint,
                                 const QString &labelHint)
{
    QComboBox &box = combo(group, name, caption, numbers(last), unit, hint, labelHint);
    // Every list whose index goes into a register must have a selection to be written.
    required(box);
    connect(&box, &QComboBox::activated, this, [this, b = &box] { changeOf(b); });
    return box;
}

TcForm2::TcForm2(QWidget *parent)
    : TComponentForm(PageTraits::classic(QStringLiteral("cForm2"), QStringLiteral("E-7PZ"), kModels)
                         .messagePanelWidth(360),
                     parent)
{
    // --- Základní nastavení, Režim ---
    auto &basic = group(QStringLiteral("Základní nastavení"), 0);
    m_text = &customerText(basic, QStringLiteral("c2ZdTextEdit"));
    m_address = &addressCombo(basic, QStringLiteral("c2SkAdrComboBox"),
                              QStringLiteral("Síťová adresa regulátoru"),
                              QStringLiteral("Rozsah 1 - 254"));
    required(*m_address);
    m_speed = &baudList(basic, QStringLiteral("c2SkSpdComboBox"), baudRates(),
                        QStringLiteral("Rozsah 1 200Bd - 19 200Bd"));
    m_ter = &numeric(basic, QStringLiteral("c2ZdTer"),
                     QStringLiteral("Čas určující výpadek sériové komunikace"),
                     Rule::unsignedDecimal(0.002, 131.07, 3)
                         .scaled(500)
                         .exactDecimals()
                         .fallback(QStringLiteral("0,002"), 1)
                         .barOnlyShows()
                         .length(7),
                     QStringLiteral("s"), QStringLiteral("Rozsah 0,002 - 131,070"),
                     QStringLiteral("Pokud nadřízený systém po tuto dobu nebude se zařízením "
                                    "komunikovat, začne blikat žlutá LED a výstupy se nastaví do "
                                    "definovaného stavu"));
    auto &mode = group(QStringLiteral("Režim"), 0);
    m_aut = &checkBox(mode, QStringLiteral("c2AutCheckBox"), QStringLiteral("Autonomní režim"),
                      QStringLiteral("Autonomní režim On/Off"));
    m_io = &checkBox(mode, QStringLiteral("c2IoCheckBox"), QStringLiteral("Režim monitoringu"),
                     QStringLiteral("Režim monitoringu On/Off"));
    m_test = new QPushButton(QStringLiteral("&Test"), &mode);
    m_test->setObjectName(QStringLiteral("c2TestButton"));
    static_cast<QGridLayout *>(mode.layout())->addWidget(m_test, 0, 3, 2, 1);
    connect(m_test, &QPushButton::clicked, this, [this] { c2TestButtonClick(); });
    testButtons({m_test});

    // --- Autonomní režim ---
    auto &aut = group(QStringLiteral("Autonomní režim"), 0);
    m_sensor = &combo(aut, QStringLiteral("c2ZdIntComboBox"),
                      QStringLiteral("Typ teplotního odporového snímače"),
                      {QStringLiteral("Ni 1000/5000ppm"), QStringLiteral("Ni 1000/6180ppm"),
                       QStringLiteral("Pt 1000/3850ppm")});
    required(*m_sensor);
    connect(m_sensor, &QComboBox::activated, this, [this] { changeOf(m_sensor); });
    const Rule temperature =
        Rule::signedDecimal(-100, 600).exactDecimals().barOnlyShows().length(6);
    const QString tHint = QStringLiteral("Rozsah -100,0 - 600,0");
    const QString deg = QStringLiteral("°C");
    m_pzh = &numeric(aut, QStringLiteral("c2AuPzh"), QStringLiteral("Požadovaná teplota"),
                     temperature, deg, tHint);
    m_elo = &numeric(aut, QStringLiteral("c2AuElo"),
                     QStringLiteral("Žádaná hodnota pro teplotu -30°C"), temperature, deg, tHint);
    m_ehl = &numeric(aut, QStringLiteral("c2AuEhl"),
                     QStringLiteral("Žádaná hodnota pro teplotu +20°C"), temperature, deg, tHint);
    const Rule correction =
        Rule::signedDecimal(-100, 100).exactDecimals().barOnlyShows().length(6);
    const QString cHint = QStringLiteral("Rozsah -100,0 - 100,0");
    m_off1 = &numeric(aut, QStringLiteral("c2ZdOff1"),
                      QStringLiteral("Korekční posuv měřené teploty - AI.0"), correction, deg, cHint);
    m_off2 = &numeric(aut, QStringLiteral("c2ZdOff2"),
                      QStringLiteral("Korekční posuv měřené teploty - AI.1"), correction, deg, cHint);
    m_ekt = &checkBox(aut, QStringLiteral("c2EktCheckBox"), QStringLiteral("Ekvitermní regulace"),
                      QStringLiteral("Ekvitermní regulace On/Off"));
    m_ohch = &radioGroup(aut, QStringLiteral("c2OhChRadioGroup"),
                         QStringLiteral("Charakter regulace"),
                         {QStringLiteral("Topení"), QStringLiteral("Chlazení")},
                         QStringLiteral("Určuje charakter regulace"), 2);
    m_pid = &radioGroup(aut, QStringLiteral("c2PidRadioGroup"),
                        QStringLiteral("Charakteristika regulátoru"),
                        {QStringLiteral("PI"), QStringLiteral("PID")},
                        QStringLiteral("Určuje charakteristiku regulátoru"), 2);
    besideEachOther(*m_ohch, *m_pid);
    m_kp = &percentCombo(aut, QStringLiteral("c2AuKpComboBox"), QStringLiteral("Zesílení (K)"), 100,
                         QString(), QStringLiteral("Rozsah 0 - 100%"),
                         QStringLiteral("Proporční složka, resp. zesílení soustavy PI a PID "
                                        "regulátoru"));
    const QString minHint = QStringLiteral("Rozsah 0 - 255min");
    m_ti = &percentCombo(aut, QStringLiteral("c2AuTiComboBox"),
                         QStringLiteral("Integrační konstanta (Ti)"), 255, QString(), minHint,
                         minHint);
    m_td = &percentCombo(aut, QStringLiteral("c2AuTdComboBox"),
                         QStringLiteral("Derivační konstanta (Td)"), 255, QString(), minHint,
                         minHint);

    // --- Rozšiřující nastavení ---
    auto &ext = group(QStringLiteral("Rozšiřující nastavení"), 1);
    m_etv = &numeric(ext, QStringLiteral("c2ZdEtv"),
                     QStringLiteral("Doba necitlivosti přechodu ventilu"),
                     Rule::unsignedDecimal(0.001, 65.535, 3)
                         .exactDecimals()
                         .fallback(QStringLiteral("0,001"), 1)
                         .barOnlyShows()
                         .length(6),
                     QStringLiteral("s"), QStringLiteral("Rozsah 0,001 - 65,535"),
                     QStringLiteral("Určuje čas, po který bude příslušný výstup UP nebo DOWN "
                                    "sepnut před vykonáním příslušného akčního zásahu."));
    m_tp = &numeric(ext, QStringLiteral("c2ZdTp"),
                    QStringLiteral("Doba přechodu ventilu z polohy min do max"),
                    Rule::unsignedDecimal(0.1, 6553.5, 1)
                        .exactDecimals()
                        .fallback(QStringLiteral("0,1"), 1)
                        .barOnlyShows()
                        .length(6),
                    QStringLiteral("s"), QStringLiteral("Rozsah 0,1 - 6553,5"));
    const QString pHint = QStringLiteral("Rozsah 0 - 100%");
    const QString pct = QStringLiteral("%");
    m_sp = &percentCombo(ext, QStringLiteral("c2ZdSpComboBox"),
                         QStringLiteral("Poloha ventilu při poruše"), 100, pct, pHint,
                         QStringLiteral("Porucha při komunikaci s nadřízenám systémem bez režimu "
                                        "monitoringu nebo při HW poruše měřících obvodů a čidel v "
                                        "autonomním režimu a monitoringu"));
    m_vkmn = &percentCombo(ext, QStringLiteral("c2ZdVkmnComboBox"),
                           QStringLiteral("Komparační hodnota řízení výstupu RX"), 100, pct, pHint,
                           QStringLiteral("Komparační hodnota řízení výstupu OUT4. Výstup bude "
                                          "reagovat na hodnotu akčního zásahu"));
    m_hys = &percentCombo(ext, QStringLiteral("c2ZdHysComboBox"),
                          QStringLiteral("Hodnota hysterze akčního zásahu"), 100, pct, pHint,
                          QStringLiteral("Hodnota hysterze akčního zásahu určuje, kolik porcent "
                                         "změny akčního zásahu vyvolá výstupní odezvu"));
    auto &rest = group(QStringLiteral("Klidové stavy výstupů"), 1);
    const char *restNames[] = {"c2RUpCheckBox", "c2RDnCheckBox", "c2RMinCheckBox", "c2RMaxCheckBox",
                               "c2RRxCheckBox"};
    const char *restLabels[] = {"DO.0 (UP) :", "DO.1 (DOWN) :", "DO.2 (MIN) :", "DO.3 (MAX) :",
                                "DO.4 (RX) :"};
    auto *restGrid = static_cast<QGridLayout *>(rest.layout());
    for (int i = 0; i < 5; ++i) {
        QCheckBox *c = &checkBox(rest, QString::fromLatin1(restNames[i]), QStringLiteral("ON/OFF"));
        auto *label = new QLabel(QString::fromLatin1(restLabels[i]), &rest);
        label->setObjectName(QString::fromLatin1(restNames[i]).replace("CheckBox", "Label"));
        restGrid->addWidget(label, restGrid->rowCount() - 1, 0);
        auto hint = [c] {
            c->setToolTip(c->isChecked() ? QStringLiteral("V klidovém stavu sepnuto")
                                         : QStringLiteral("V klidovém stavu rozepnuto"));
        };
        hint();
        connect(c, &QCheckBox::toggled, this, hint);
        m_rest[i] = c;
    }
    m_syn = &radioGroup(rest, QStringLiteral("c2RSynRadioGroup"), QStringLiteral("Synchronizace"),
                        {QStringLiteral("Na 0%"), QStringLiteral("Na 100%")}, QString(), 2);
    // DO.3 and DO.4 beside DO.0 and DO.1: the column then fits a small screen.
    for (int i = 3; i < 5; ++i) {
        QWidget *label = rest.findChild<QLabel *>(
            QString::fromLatin1(restNames[i]).replace("CheckBox", "Label"));
        int row = 0, column = 0, rows = 0, columns = 0;
        restGrid->getItemPosition(restGrid->indexOf(m_rest[i - 3]), &row, &column, &rows, &columns);
        restGrid->removeWidget(label);
        restGrid->removeWidget(m_rest[i]);
        restGrid->addWidget(label, row, 2, Qt::AlignRight);
        restGrid->addWidget(m_rest[i], row, 3);
    }

    // --- Nastavení hranic necitlivosti ---
    auto &band = group(QStringLiteral("Nastavení hranic necitlivosti"), 1);
    auto *bandGrid = static_cast<QGridLayout *>(band.layout());
    m_diagram = new TDeadBandDiagram(*this, &band);
    auto *axis = new QLabel(QStringLiteral("Akční veličina [%]"), &band);
    axis->setObjectName(QStringLiteral("c2AxisLabel"));
    auto *x0 = new QLabel(QStringLiteral("0 %"), &band);
    auto *x100 = new QLabel(QStringLiteral("100 %"), &band);
    auto *y0 = new QLabel(QStringLiteral("0"), &band);
    auto *y100 = new QLabel(QStringLiteral("100"), &band);
    x0->setObjectName(QStringLiteral("c2X0Label"));
    x100->setObjectName(QStringLiteral("c2X100Label"));
    y0->setObjectName(QStringLiteral("c2Y0Label"));
    y100->setObjectName(QStringLiteral("c2Y100Label"));
    auto *picture = new QWidget(&band);
    auto *pg = new QGridLayout(picture);
    pg->setContentsMargins(0, 0, 0, 0);
    pg->addWidget(y100, 0, 0, Qt::AlignTop | Qt::AlignRight);
    pg->addWidget(y0, 0, 0, Qt::AlignBottom | Qt::AlignRight);
    pg->addWidget(m_diagram, 0, 1);
    auto *xs = new QHBoxLayout;
    xs->addWidget(x0);
    xs->addStretch(1);
    xs->addWidget(x100);
    pg->addLayout(xs, 1, 1);
    pg->addWidget(axis, 2, 1, Qt::AlignHCenter);
    bandGrid->addWidget(picture, 0, 0, 1, 4, Qt::AlignHCenter);
    const QString bandHint = QStringLiteral("Rozsah 0 - 100%");
    m_vmin = newScrollBar(&band);
    m_vmin->setObjectName(QStringLiteral("c2ZdVminScrollBar"));
    m_vmax = newScrollBar(&band);
    m_vmax->setObjectName(QStringLiteral("c2ZdVmaxScrollBar"));
    m_vminLabel = new QLabel(QStringLiteral("Min = 0"), &band);
    m_vminLabel->setObjectName(QStringLiteral("c2ZdVminLabel"));
    m_vminLabel->setToolTip(
        QStringLiteral("Hodnota určuje horní hranici spodního pásu necitlivosti pro ventil"));
    m_vmaxLabel = new QLabel(QStringLiteral("Max = 100"), &band);
    m_vmaxLabel->setObjectName(QStringLiteral("c2ZdVmaxLabel"));
    m_vmaxLabel->setToolTip(
        QStringLiteral("Hodnota určuje spodní hranici horního pásu necitlivosti pro ventil"));
    int row = 1;
    for (auto [bar, label] : {std::pair{m_vmin, m_vminLabel}, std::pair{m_vmax, m_vmaxLabel}}) {
        bar->setRange(0, 100);
        bar->setPageStep(5);
        bar->setToolTip(bandHint);
        bar->setMinimumWidth(140);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("Max = 100")));
        bandGrid->addWidget(label, row, 0);
        bandGrid->addWidget(bar, row, 1, 1, 3);
        ++row;
    }
    m_vmax->setValue(100);
    m_nmax = &radioGroup(band, QStringLiteral("c2NMaxRadioGroup"), QStringLiteral("Vrchní pás"),
                         {QStringLiteral("Na stávající"), QStringLiteral("Na 100%")}, QString(), 2);
    m_nmin = &radioGroup(band, QStringLiteral("c2NMinRadioGroup"), QStringLiteral("Dolní pás"),
                         {QStringLiteral("Na 0%"), QStringLiteral("Na stávající")}, QString(), 2);
    besideEachOther(*m_nmax, *m_nmin);

    // Hints that follow the value.
    auto radioHints = [this] {
        m_nmin->setToolTip(m_nmin->itemIndex() == 1
                               ? QStringLiteral("Do překroční hodnoty určující horní hranici "
                                                "spodního pásu necitlivosti je na výstupu úroveň "
                                                "této horní hranice")
                               : QStringLiteral("Do překroční hodnoty určující horní hranici "
                                                "spodního pásu necitlivosti je na výstupu úroveň "
                                                "0%"));
        m_nmax->setToolTip(m_nmax->itemIndex() == 1
                               ? QStringLiteral("Po překroční hodnoty určující spodní hranici "
                                                "horního pásu necitlivosti je na výstupu úroveň "
                                                "100%")
                               : QStringLiteral("Po překroční hodnoty určující spodní hranici "
                                                "horního pásu necitlivosti je na výstupu úroveň "
                                                "této spodní hranice"));
        m_syn->setToolTip(m_syn->itemIndex() == 1
                              ? QStringLiteral("Synchronizace na hodnotu 100% - horní synchronizace")
                              : QStringLiteral("Synchronizace na hodnotu 0% - spodní synchronizace"));
    };
    for (TRadioGroup *g : {m_nmin, m_nmax, m_syn})
        connect(g, &TRadioGroup::clicked, this, radioHints);
    for (QCheckBox *c : {m_aut, m_io, m_ekt})
        connect(c, &QCheckBox::toggled, this, [this] { enablingRules(); });
    connect(m_pid, &TRadioGroup::clicked, this, [this] { enablingRules(); });
    for (QComboBox *c : {m_speed, m_address})
        connect(c, &QComboBox::activated, this, [this, c] { changeOf(c); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { changeOf(m_text); });

    // A user's move keeps Min <= Max at once; positions the program sets (a read, a file)
    // arrive both before the rule runs once (setDeadBand).
    connect(m_vmin, &QScrollBar::actionTriggered, this, [this] {
        if (m_vmin->sliderPosition() > m_vmax->value())
            m_vmin->setSliderPosition(m_vmax->value());
    });
    connect(m_vmax, &QScrollBar::actionTriggered, this, [this] {
        if (m_vmax->sliderPosition() < m_vmin->value())
            m_vmax->setSliderPosition(m_vmin->value());
    });
    for (QScrollBar *b : {m_vmin, m_vmax})
        connect(b, &QScrollBar::valueChanged, this, [this] { deadBandChanged(); });

    // --- register image ---
    auto &image = block(0x2000, 20);
    image.bits({m_aut, m_io, m_ekt, m_pid, m_ohch},
               {m_rest[0], m_rest[1], m_rest[2], m_rest[3], m_rest[4], m_syn, m_nmin, m_nmax},
               // Without autonomous mode its three bits are 0, whatever the controls show:
               // the page's own state, not whether a control is enabled (the progress
               // dialog disables the whole page during the write).
               [this] { return quint8(m_aut->isChecked() ? 0 : 0x1C); });
    image.text(*m_text, 10).position(*m_ter);
    auto bytePair = [&image](QComboBox *high, QComboBox *low, bool highPercent, bool lowPercent) {
        image.custom(
            1,
            [high, low](quint16 *r) {
                *r = quint16(((high->currentIndex() & 0xFF) << 8) |
                             (low ? low->currentIndex() & 0xFF : 0));
            },
            [high, low, highPercent, lowPercent](const quint16 *r) {
                const int h = *r >> 8, l = *r & 0xFF;
                high->setCurrentIndex(highPercent ? percentIndex(h)
                                                  : (h < high->count() ? h : -1));
                if (low)
                    low->setCurrentIndex(lowPercent ? percentIndex(l) : (l < low->count() ? l : -1));
            },
            low ? 0xFFFF : 0xFF00);
    };
    bytePair(m_sp, m_sensor, true, false);
    image.position(*m_tp);
    image.custom(
        1, [this](quint16 *r) { *r = quint16((deadBandMin() << 8) | deadBandMax()); },
        [this](const quint16 *r) { setDeadBand(percentIndex(*r >> 8), percentIndex(*r & 0xFF)); });
    bytePair(m_vkmn, m_hys, true, true);
    image.position(*m_etv).position(*m_off1).position(*m_off2).bytes(*m_address, *m_speed);
    image.positions({m_pzh, m_elo, m_ehl});
    bytePair(m_kp, m_ti, true, false);
    bytePair(m_td, nullptr, false, false);

    // --- saved controls: the three mode boxes load first ---
    registerControl(m_text, 0, 1);
    registerControl(m_ter->bar(), 0, 1);
    registerControl(m_speed, 0, 1);
    registerControl(m_address, 0, 1);
    registerControl(m_aut, 0);
    registerControl(m_io, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{m_sensor, m_pzh->bar(), m_elo->bar(),
                                                      m_ehl->bar(), m_off1->bar(), m_off2->bar(),
                                                      m_kp, m_ti, m_td})
        registerControl(w, 0, 1);
    registerControl(m_ekt, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{m_ohch, m_pid})
        registerControl(w, 0, 1);
    registerControl(m_etv->bar(), 1, 1);
    for (QWidget *w : std::initializer_list<QWidget *>{m_tp->bar(), m_sp, m_vkmn, m_hys})
        registerControl(w, 0, 1);
    for (TRadioGroup *g : {m_ohch, m_pid, m_syn, m_nmin, m_nmax})
        required(*g);
    registerControl(m_nmin, 1, 1);
    for (QWidget *w : std::initializer_list<QWidget *>{m_nmax, m_syn, m_rest[0], m_rest[1],
                                                      m_rest[2], m_rest[3], m_rest[4], m_vmin,
                                                      m_vmax})
        registerControl(w, 0, 1);

    // Design time.
    for (QComboBox *c : {m_sp, m_vkmn, m_hys, m_kp, m_ti, m_td, m_sensor})
        c->setCurrentIndex(0);
    m_ohch->setItemIndex(0);
    m_pid->setItemIndex(0);
    m_syn->setItemIndex(0);
    m_nmax->setItemIndex(0);
    m_nmin->setItemIndex(1);
    for (TNumericField *f : {m_pzh, m_elo, m_ehl, m_off1, m_off2})
        f->setPosition(0);
    for (TNumericField *f : {m_etv, m_tp, m_ter})
        f->setPosition(1);
    radioHints();
    enablingRules();

    m_countdown = new TButtonCountdown(this);
    m_resumeTimer = new QTimer(this);
    m_resumeTimer->setObjectName(QStringLiteral("resumeTimer"));
    m_resumeTimer->setInterval(500);
    m_resumeTimer->setSingleShot(true);
    connect(m_resumeTimer, &QTimer::timeout, this, [this] {
        if (TExtraForm *live = liveWindow(); live && live->reader())
            live->reader()->resumeReader();
    });
    // Send locks the buttons while the device stores its settings.
    disconnect(sendButton(), &QPushButton::clicked, this, nullptr);
    connect(sendButton(), &QPushButton::clicked, this, [this] { c2SendButtonClick(); });
    alignColumns(900);
    finishCreate();
}

TNumericField *TcForm2::field(const QString &prefix) const
{
    return findChild<TNumericField *>(prefix);
}

TExtraForm *TcForm2::createLiveWindow()
{
    return new Tc2extForm(*this);
}

void TcForm2::c2SendButtonClick()
{
    if (testActive())
        return;
    m_countdown->prepare(sendButton(), QStringLiteral("&Uložit data"), 3,
                         {sendButton(), getButton(), m_test});
    sendButtonClick();
}

Outcome TcForm2::writeAll()
{
    Outcome outcome = TComponentForm::writeAll();
    // The device stores its settings from the end of the write.
    if (m_countdown->waiting())
        m_countdown->run();
    return outcome;
}

void TcForm2::c2TestButtonClick()
{
    if (!beginTest())
        return;
    if (TExtraForm *live = liveWindow(); live && live->reader())
        live->reader()->handOver(3);
    else
        testStart();
}

void TcForm2::testStart()
{
    OutputTestPlan plan;
    plan.count = 12;
    // The reader keeps off the line from here until the test window has closed.
    plan.begin = [this] {
        if (TExtraForm *live = liveWindow(); live && live->reader())
            live->reader()->suspendAfterCommands();
    };
    plan.leftOvers = {TcForm2Test::kind()};
    plan.notRestored = TcForm2Test::notRestored();
    plan.entries = [](const std::vector<quint16> &r) { return TcForm2Test::entries(r); };
    plan.preparation = [](const TTestFile &) { return TcForm2Test::preparation(); };
    plan.openWindow = [this] {
        auto *window = new TcForm2Test(*this);
        window->show();
        return window;
    };
    // A failed preparation resumes the reader as a failed snapshot does.
    plan.failed = [this](bool) { m_resumeTimer->start(); };
    prepareOutputTest(plan);
}

void TcForm2::testWindowClosed()
{
    if (TExtraForm *live = liveWindow(); live && live->reader())
        live->reader()->resumeReader();
    m_countdown->start(m_test, QStringLiteral("&Test"), 3, {sendButton(), getButton(), m_test});
}

void TcForm2::enablingRules()
{
    const bool aut = m_aut->isChecked();
    const bool ekt = m_ekt->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{m_sensor, m_ekt, m_ohch, m_pid, m_kp, m_ti})
        w->setEnabled(aut);
    enableField(m_off1, aut);
    enableField(m_off2, aut);
    enableField(m_pzh, aut && !ekt);
    enableField(m_elo, aut && ekt);
    enableField(m_ehl, aut && ekt);
    m_td->setEnabled(aut && m_pid->itemIndex() == 1);
    const bool serial = !aut || m_io->isChecked();
    m_speed->setEnabled(serial);
    m_address->setEnabled(serial);
    enableField(m_ter, !aut);
    markChanged(true);
}

quint8 TcForm2::packModeFlags() const
{
    quint8 bits = bitsOf({m_aut, m_io, m_ekt, m_pid, m_ohch});
    if (!m_aut->isChecked())
        bits &= ~0x1C;
    return bits;
}

void TcForm2::unpackModeFlags(quint8 bits)
{
    setBitsOf({m_aut, m_io, m_ekt, m_pid, m_ohch}, bits);
}

quint8 TcForm2::packOutputFlags() const
{
    return bitsOf({m_rest[0], m_rest[1], m_rest[2], m_rest[3], m_rest[4], m_syn, m_nmin, m_nmax});
}

void TcForm2::unpackOutputFlags(quint8 bits)
{
    setBitsOf({m_rest[0], m_rest[1], m_rest[2], m_rest[3], m_rest[4], m_syn, m_nmin, m_nmax}, bits);
}

void TcForm2::settleAfterRead(bool)
{
    setDeadBand(deadBandMin(), deadBandMax());
    enablingRules();
}

void TcForm2::controlsLoaded()
{
    // A file's Min and Max both arrive before the rule runs.
    setDeadBand(deadBandMin(), deadBandMax());
    enablingRules();
}
