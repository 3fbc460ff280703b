// The wall-module page base: the declarations of the shared controls, their register slots
// and saved order, the handlers of the LCD modes and fast choices, the settling after a
// read or a load, and the device read and write. The digital output is in WallOutput.cpp.

#include "pages/sensors/WallModule.h"

#include "link/Messages.h"
#include "pages/framework/BlockTransfer.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/Pictures.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kRange100 = QStringLiteral("Rozsah nastavení -100,0 až 100,0 °C.");
const QStringList kBridgeItems = {
    QStringLiteral("S žádnou pozicí"), QStringLiteral("S pozicí nahoře vlevo"),
    QStringLiteral("S pozicí nahoře uprostřed"), QStringLiteral("S pozicí nahoře vpravo")};
constexpr int kMaxSteps = 65536;

// Fast choices that jump to a mode: the mode's number (1..3), else 0.
int modeOfChoice(const QComboBox *combo)
{
    const int code = registerFromComboIndex(combo);
    return code >= 21 && code <= 23 ? code - 20 : 0;
}

} // namespace

const CodeTable &cwr1FastChoices()
{
    static const CodeTable t = {
        {QStringLiteral("Pro tlačítko není zvolena žádná rychlá volba"), 10},
        {QStringLiteral("Pro tlačítko je zvolena rychlá volba žádané teploty, u tlač. bude "
                        "zobrazen symbol T"),
         19},
        {QStringLiteral("Pro tlačítko je zvolena rychlá volba žádané vlhkosti, u tlač. bude "
                        "zobrazen symbol H"),
         20},
        {QStringLiteral("Pro tlačítko je zvolena rychlá volba požadovaného režimu 1, u tlač. "
                        "bude zobrazen symbol M1"),
         21},
        {QStringLiteral("Pro tlačítko je zvolena rychlá volba požadovaného režimu 2, u tlač. "
                        "bude zobrazen symbol M2"),
         22},
        {QStringLiteral("Pro tlačítko je zvolena rychlá volba požadovaného režimu 3, u tlač. "
                        "bude zobrazen symbol M3"),
         23},
    };
    return t;
}

const CodeTable &gwr1FastChoices()
{
    static const CodeTable t = [] {
        CodeTable all = cwr1FastChoices();
        all.erase(all.begin() + 2); // no humidity
        return all;
    }();
    return t;
}

// --- declarations ---

TWallModuleForm::TWallModuleForm(const PageTraits &traits,
                                 const WallModuleDeclaration &declaration, QWidget *parent)
    : TComponentForm(traits, parent), m_declaration(declaration)
{
    m_basic = &group(QStringLiteral("Základní nastavení"), 0, QStringLiteral("basicGroupBox"));
    text = &textField(*m_basic, QStringLiteral("zdTextEdit"),
                      QStringLiteral("Zákaznické textové pole"), 16,
                      QStringLiteral("Je určeno pro zákaznickou identifikaci přístroje (max. 16 "
                                     "znaků)"));
    off = &numeric(
        *m_basic, QStringLiteral("zdOff"), QStringLiteral("Korekční posuv měřené teploty"),
        Rule::signedDecimal(-100, 100), QStringLiteral("°C"), kRange100,
        QStringLiteral("Například pokud se zdá,že přístroj přeměřuje o 1°C (nevhodným "
                       "umístěním,vlastním ohřevem při velmi časté komunikaci se zatíženou "
                       "linkou...), nastaví se hodnota -1,0 a přístroj bude zobrazovat a vysílat "
                       "hodnotu teploty o 1°C nižší,než je skutečně naměřená."));
    if (declaration.humidity)
        humOff = &numeric(*m_basic, QStringLiteral("zdHum"),
                          QStringLiteral("Korekční posuv měřené vlhkosti"),
                          Rule::signedDecimal(-100, 100), QStringLiteral("%"),
                          QStringLiteral("Rozsah nastavení -100,0 až 100,0 %."),
                          QStringLiteral("Zadání offsetu měřené vlhkosti."));
    address = &addressCombo(*m_basic, QStringLiteral("skAdrComboBox"),
                            QStringLiteral("Síťová adresa"),
                            QStringLiteral("Síťová adresa přístroje, pod kterou se bude hlásit "
                                           "nadřízenému systému."));
    required(*address);
    speed = &baudList(*m_basic, QStringLiteral("skSpdComboBox"),
                      {"1200", "2400", "4800", "9600", "19200", "38400", "57600"},
                      QStringLiteral("Volba komunikační rychlosti v rozsahu 1200 ÷ 57600 Bd pro "
                                     "provoz ovladače na sériové lince."));
    for (QComboBox *c : {address, speed})
        connect(c, &QComboBox::activated, this, [this, c] { changeOf(c); });
    connect(text, &QLineEdit::textEdited, this, [this] { changeOf(text); });

    m_correction = &group(declaration.correctionTitle, 0, QStringLiteral("correctionGroupBox"));
    tempLow = &limitField(*m_correction, QStringLiteral("reqTempLowLimit"),
                          QStringLiteral("Dolní limit korekce teploty"), true, true, tempHigh,
                          QStringLiteral("°C"),
                          QStringLiteral("Zadání spodního limitu nastavení korekce teploty "
                                         "tlačítky."),
                          kRange100);
    tempHigh = &limitField(*m_correction, QStringLiteral("reqTempHighLimit"),
                           QStringLiteral("Horní limit korekce teploty"), true, false, tempLow,
                           QStringLiteral("°C"),
                           QStringLiteral("Zadání horního limitu nastavení korekce teploty "
                                          "tlačítky."),
                           kRange100);
    reqTemp = &requiredField(*m_correction, QStringLiteral("reqTemp"),
                             QStringLiteral("Žádaná korekce teploty"), true, tempLow, tempHigh,
                             QStringLiteral("°C"),
                             QStringLiteral("Meze rozsahu nastavení tlačítky jsou vymezeny "
                                            "Dolní/Horní limit korekce teploty."));
    tempLow->setPosition(-1000);
    tempHigh->setPosition(1000);
    buildEditors();
}

TNumericField &TWallModuleForm::limitField(QGroupBox &group, const QString &prefix,
                                           const QString &caption, bool decimal, bool lower,
                                           TNumericField *&partner, const QString &unit,
                                           const QString &labelHint, const QString &hint)
{
    const double bound = 100;
    const double floor = decimal ? -bound : 0;
    // A lower limit stays at or below its upper limit and the other way round; a read or
    // a load puts both as they come (settle checks them afterwards).
    Rule rule = decimal ? Rule::signedDecimal(-bound, bound) : Rule::whole(0, bound);
    rule.limitsFrom([this, &partner, lower, floor, bound] {
        if (settling() || !partner)
            return std::make_pair(floor, bound);
        return lower ? std::make_pair(floor, std::min(bound, partner->value()))
                     : std::make_pair(std::max(floor, partner->value()), bound);
    });
    rule.barRange(decimal ? -1000 : 0, decimal ? 1000 : 100);
    return numeric(group, prefix, caption, rule, unit, hint, labelHint);
}

TNumericField &TWallModuleForm::requiredField(QGroupBox &group, const QString &prefix,
                                              const QString &caption, bool decimal,
                                              TNumericField *&low, TNumericField *&high,
                                              const QString &unit, const QString &hint)
{
    const double floor = decimal ? -100 : 0;
    Rule rule = decimal ? Rule::signedDecimal(-100, 100) : Rule::whole(0, 100);
    rule.limitsFrom([this, &low, &high, floor] {
        if (settling())
            return std::make_pair(floor, 100.0);
        return std::make_pair(low->value(), high->value());
    });
    rule.barRange(decimal ? -1000 : 0, decimal ? 1000 : 100);
    TNumericField &f = numeric(group, prefix, caption, rule, unit, hint);
    // A new limit brings the value into it again, without a warning.
    for (TNumericField *limit : {low, high})
        limit->onAccepted([this, &f] {
            if (settling())
                return;
            const QuietRanges quiet;
            f.acceptText(false);
        });
    m_dependents.push_back(low);
    m_dependents.push_back(high);
    m_dependents.push_back(&f);
    return f;
}

void TWallModuleForm::stackRow(QGroupBox &group, QWidget *control)
{
    // The caption above a long list, both across the group.
    auto *grid = static_cast<QGridLayout *>(group.layout());
    QLabel *label = labelOf(control);
    grid->removeWidget(label);
    grid->removeWidget(control);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0, 1, 4);
    grid->addWidget(control, row + 1, 0, 1, 4);
}

void TWallModuleForm::buildEditors()
{
    // Digital output.
    m_output = &group(QStringLiteral("Digitální výstup"), 0, QStringLiteral("digitalOutGroupBox"));
    outType = &radioGroup(*m_output, QStringLiteral("digitalOutTypeRadioGroup"),
                          QStringLiteral("Typ"),
                          {QStringLiteral("Dvoustavový výstup"), QStringLiteral("PWM výstup")},
                          outputTypeHint(false), 2);
    outType->setItemIndex(0);
    connect(outType, &TRadioGroup::clicked, this, [this] { digitalOutTypeClick(); });
    steps = &numeric(*m_output, QStringLiteral("digitalOutTop"),
                     QStringLiteral("Počet kroků pro 1 periodu"),
                     Rule::whole(2, kMaxSteps)
                         .limitsFrom([this] { return std::make_pair(double(m_stepsMin), 65536.0); })
                         .barRange(2, kMaxSteps),
                     QString(), QStringLiteral("Rozsah nastavení 3 až 65536."),
                     QStringLiteral("Nastavení rozlišení PWM."));
    steps->onAccepted([this] { stepsAccepted(); });
    {
        auto *grid = static_cast<QGridLayout *>(m_output->layout());
        const QString periodHint =
            QStringLiteral("Rozsah nastavení záleží na nastavení počtu kroků pro 1 periodu, "
                           "neboť max. povolená frekvence PWM je 20kHz.");
        const int row = grid->rowCount();
        auto *label = new QLabel(QStringLiteral("Perioda PWM"), m_output);
        label->setObjectName(QStringLiteral("digitalOutPrescLabel"));
        label->setToolTip(QStringLiteral("Nastavení periody PWM signálu."));
        period = new QLineEdit(m_output);
        period->setObjectName(QStringLiteral("digitalOutPrescMaskEdit"));
        period->setToolTip(periodHint);
        period->setAlignment(Qt::AlignRight);
        period->setFixedWidth(steps->edit()->width() > 80 ? steps->edit()->width() : 80);
        period->setProperty("label", QVariant::fromValue<QObject *>(label));
        period->installEventFilter(this);
        connect(period, &QLineEdit::editingFinished, this, [this] {
            if (period->isModified())
                periodExit();
        });
        prescaler = newScrollBar(m_output);
        prescaler->setObjectName(QStringLiteral("digitalOutPrescScrollBar"));
        prescaler->setRange(0, 65535);
        prescaler->setToolTip(periodHint);
        prescaler->setMinimumWidth(140);
        prescaler->setProperty("label", QVariant::fromValue<QObject *>(label));
        connect(prescaler, &QScrollBar::valueChanged, this, [this] { prescalerChange(); });
        auto *unit = new QLabel(QStringLiteral("ms"), m_output);
        unit->setObjectName(QStringLiteral("digitalOutPrescULabel"));
        unit->setToolTip(periodHint);
        grid->addWidget(label, row, 0);
        grid->addWidget(period, row, 1);
        grid->addWidget(prescaler, row, 2);
        grid->addWidget(unit, row, 3);

        const QString hzHint = QStringLiteral("Frekvence PWM signálu přepočítána z nastavené "
                                              "periody PWM.");
        auto *hzLabel = new QLabel(QStringLiteral("Frekvence PWM"), m_output);
        hzLabel->setObjectName(QStringLiteral("digitalOutPrescHzLabel"));
        hzLabel->setToolTip(hzHint);
        frequency = new QLineEdit(m_output);
        frequency->setObjectName(QStringLiteral("digitalOutPrescHzMaskEdit"));
        frequency->setToolTip(hzHint);
        frequency->setAlignment(Qt::AlignRight);
        frequency->setFixedWidth(period->width());
        frequency->setEnabled(false);
        auto *hz = new QLabel(QStringLiteral("Hz"), m_output);
        hz->setObjectName(QStringLiteral("digitalOutPrescHzULabel"));
        hz->setToolTip(hzHint);
        grid->addWidget(hzLabel, row + 1, 0);
        grid->addWidget(frequency, row + 1, 1);
        grid->addWidget(hz, row + 1, 2);
    }

    // User settings.
    m_user = &group(QStringLiteral("Uživatelské nastavení"), 1, QStringLiteral("userGroupBox"));
    const QString fastHint = QStringLiteral("Definuje rychlou volbu pro dané tlačítko.");
    fastUp = &codedCombo(*m_user, QStringLiteral("fastChoiceUpComboBox"),
                         QStringLiteral("Rychlá volba pro prostřední tlačítko"),
                         m_declaration.fastChoices, QString(), fastHint);
    stackRow(*m_user, fastUp);
    fastDown = &codedCombo(*m_user, QStringLiteral("fastChoiceDownComboBox"),
                           QStringLiteral("Rychlá volba pro spodní tlačítko"),
                           m_declaration.fastChoices, QString(), fastHint);
    stackRow(*m_user, fastDown);
    for (QComboBox *c : {fastUp, fastDown}) {
        c->setCurrentIndex(0);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(40);
        c->view()->setMinimumWidth(c->view()->sizeHintForColumn(0) + 24);
        connect(c, &QComboBox::activated, this, [this, c] { fastChoiceChange(c); });
    }
    contrast = &numeric(*m_user, QStringLiteral("LCDcontrast"), QStringLiteral("LCD kontrast"),
                        Rule::whole(80, 125).barRange(80, 125), QString(),
                        QStringLiteral("Nastavení kontrastu LCD."));
    contrast->setPosition(80);

    // Modes.
    const QString symbolHint = QStringLiteral(
        "Zadává symbol zobrazení danému režimu. Pokud například chceme tento režim použít k "
        "přepínání mezi nočním a denním režimem, pak v \"Symbol 1\" zvolíme jako symbol nočního "
        "režimu měsíček a v \"Symbol 2\" zvolíme symbol sluníčka.");
    const QString bridgeHint = QStringLiteral(
        "Zadává propojení volby režimu tlačítky se zobrazením symbolu daného režimu na určité "
        "pozici na LCD.");
    for (int m = 0; m < kModes; ++m) {
        const QString n = QString::number(m + 1);
        QGroupBox &box = group(QStringLiteral("Nastavení režimu ") + n, m == 0 ? 1 : 2,
                               QStringLiteral("mode%1GroupBox").arg(n));
        m_modes[m] = &box;
        count[m] = &numeric(
            box, QStringLiteral("countMode") + n, QStringLiteral("Počet režimů"),
            Rule::whole(0, 16).barRange(0, 16), QString(),
            QStringLiteral("Zadává počet režimů, mezi nimiž bude možno přepínat. Např. při zadání "
                           "čísla 6 bude možnost přepínat mezi šesti režimy, při zadání čísla 0 "
                           "nebude režim vůbec přístupný v menu přístroje."));
        count[m]->bar()->setMinimumWidth(100);
        count[m]->onAccepted([this, m] { modeCountAccepted(m); });
        bridge[m] = &combo(box, QStringLiteral("bridge%1ComboBox").arg(n),
                           QStringLiteral("Svázání režimu s pozicí na LCD"), kBridgeItems,
                           QString(),
                           bridgeHint + QStringLiteral(
                                            " Např. při zadání \"S pozicí nahoře uprostřed\" se "
                                            "změna režimu tlačítky projeví na lince změnou "
                                            "hodnoty v daném registru a zároveň se na LCD "
                                            "nahoře uprostřed"),
                           bridgeHint);
        bridge[m]->setCurrentIndex(0);
        connect(bridge[m], &QComboBox::activated, this, [this, m] { bridgeChange(m); });

        auto *grid = static_cast<QGridLayout *>(box.layout());
        auto *symbols = new QGridLayout;
        symbols->setHorizontalSpacing(6);
        symbols->setVerticalSpacing(0);
        for (int s = 0; s < kSymbols; ++s) {
            auto *label = new QLabel(QStringLiteral("Symbol %1").arg(s + 1), &box);
            label->setObjectName(QStringLiteral("Symbol%1Mode%2Label").arg(s + 1).arg(n));
            label->setToolTip(symbolHint);
            auto *c = new QComboBox(&box);
            c->setObjectName(QStringLiteral("Symbol%1Mode%2ComboBoxEx").arg(s + 1).arg(n));
            c->setToolTip(symbolHint);
            fillPictureCombo(c, PictureList::Symbols);
            c->setCurrentIndex(0);
            c->setMaxVisibleItems(15);
            c->setProperty("label", QVariant::fromValue<QObject *>(label));
            label->setBuddy(c);
            connect(c, &QComboBox::activated, this, [this, c] { changeOf(c); });
            symbol[m][s] = c;
            symbols->addWidget(label, s % 8, (s / 8) * 2);
            symbols->addWidget(c, s % 8, (s / 8) * 2 + 1);
        }
        symbols->setColumnMinimumWidth(2, 70);
        grid->addLayout(symbols, grid->rowCount(), 0, 1, 4);
        modeCountAccepted(m);
    }
    applyOutputType(true);
}

void TWallModuleForm::layOut()
{
    // The modes' column is the tallest; the buttons go under the shorter first one.
    actionsUnderColumn(0);
    // The lists of fast choices are long: keep the columns of the page at their content.
    for (QGroupBox *box : findChildren<QGroupBox *>())
        if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
            grid->setColumnMinimumWidth(2, 100);
}

// --- slots of the shared registers ---

void TWallModuleForm::fastChoiceSlots(RegisterBlock &b)
{
    b.combo(*fastUp).combo(*fastDown);
}

void TWallModuleForm::textToPrescalerSlots(RegisterBlock &b)
{
    b.text(*text, 16).combo(*address).combo(*speed);
    // Steps per period - 1, unsigned: 0xFFFF is 65536 steps. The type follows the steps.
    b.custom(
        1, [this](quint16 *r) { *r = quint16(steps->position() - 1); },
        [this](const quint16 *r) {
            const int v = int(*r) + 1;
            {
                const QSignalBlocker quiet(outType);
                outType->setItemIndex(v > 2 ? 1 : 0);
            }
            digitalOutTypeClick();
            steps->bar()->setValue(std::clamp(v, steps->bar()->minimum(), kMaxSteps));
        });
    b.position(*prescaler);
}

void TWallModuleForm::modeSlots(RegisterBlock &b)
{
    for (int m = 0; m < kModes; ++m) {
        QComboBox *c = bridge[m];
        b.custom(
            1, [c](quint16 *r) { *r = quint16(std::max(0, c->currentIndex())); },
            [c](const quint16 *r) { c->setCurrentIndex(std::min<int>(*r, 3)); });
        b.position(*count[m]);
    }
}

void TWallModuleForm::symbolSlots(RegisterBlock &b, int mode)
{
    for (QComboBox *c : symbol[mode])
        b.custom(
            1, [c](quint16 *r) { *r = quint16(std::max(0, c->currentIndex())); },
            [c](const quint16 *r) { c->setCurrentIndex(std::min<int>(*r, kSymbolCount - 1)); });
}

void TWallModuleForm::modeAndSymbolSlots(RegisterBlock &modes)
{
    modeSlots(modes);
    modes.gap(2);
    symbolSlots(modes, 0);
    symbolSlots(block(0x006C, 16), 1);
    auto &last = block(0x007C, 16);
    symbolSlots(last, 2);
    last.afterWrite(command(0xC003));
}

std::function<void()> TWallModuleForm::command(quint16 value)
{
    return [this, value] { runCommand(kCommandRegister, value); };
}

void TWallModuleForm::savedBasics()
{
    registerControl(text, 0);
    registerControl(off->bar(), 0);
    if (humOff)
        registerControl(humOff->bar(), 0);
    registerControl(address, 0);
    registerControl(speed, 0);
    registerControl(tempLow->bar(), -1000);
    registerControl(tempHigh->bar(), 1000);
    registerControl(reqTemp->bar(), 0);
}

void TWallModuleForm::savedEditors()
{
    registerControl(outType, 0);
    registerControl(steps->bar(), 2);
    registerControl(prescaler, 0);
    registerControl(contrast->bar(), 80);
    for (TNumericField *f : count)
        registerControl(f->bar(), 0);
    for (QComboBox *c : bridge)
        registerControl(c, 0);
    registerControl(fastUp, 0);
    registerControl(fastDown, 0);
    for (auto &mode : symbol)
        for (QComboBox *c : mode)
            registerControl(c, 0);
}

// --- handlers ---

void TWallModuleForm::modeCountAccepted(int mode)
{
    const int n = count[mode]->position();
    for (int s = 0; s < kSymbols; ++s)
        symbol[mode][s]->setEnabled(s < n);
    if (settling() || n > 0)
        return;
    // A fast choice of a mode without states goes back to no fast choice, silently.
    for (QComboBox *c : {fastUp, fastDown})
        if (modeOfChoice(c) == mode + 1)
            c->setCurrentIndex(0);
}

void TWallModuleForm::bridgeChange(int mode)
{
    QComboBox *c = bridge[mode];
    const int item = c->currentIndex();
    if (item > 0 && !settling())
        for (int other = 0; other < kModes; ++other)
            if (other != mode && bridge[other]->currentIndex() == item) {
                Prompts::instance().message(
                    QStringLiteral("Tato pozice je již svázána s jiným režimem"),
                    QStringLiteral("Chyba"), PromptIcon::Error);
                c->setCurrentIndex(0);
                break;
            }
    c->setStyleSheet(QString());
    changeOf(c);
}

void TWallModuleForm::fastChoiceChange(QComboBox *combo)
{
    const int mode = modeOfChoice(combo);
    if (mode > 0 && !settling() && count[mode - 1]->position() == 0) {
        const QString n = QString::number(mode);
        Prompts::instance().message(
            QStringLiteral("Tato rychlá volba nemůže být vybrána - počet režimů režimu ") + n +
                QStringLiteral(" je nula. ") + QLatin1Char('\n') +
                QStringLiteral("Proveďte nejdříve nastavení režimu ") + n +
                QStringLiteral(" v pravé části okna."),
            QStringLiteral("Varování"), PromptIcon::Warning);
        combo->setCurrentIndex(0);
    }
    changeOf(combo);
}

// --- settling ---

void TWallModuleForm::controlsLoading()
{
    ++m_settling;
}

void TWallModuleForm::controlsLoaded()
{
    m_settling = std::max(0, m_settling - 1);
    settle();
}

void TWallModuleForm::settle()
{
    if (settling())
        return;
    {
        // Limits first, then the values inside them; nothing warns.
        const QuietRanges quiet;
        for (TNumericField *f : m_dependents)
            f->acceptText(false);
    }
    for (int m = 0; m < kModes; ++m) {
        const int n = count[m]->position();
        for (int s = 0; s < kSymbols; ++s)
            symbol[m][s]->setEnabled(s < n);
    }
    applyOutputType(false);
}

// --- device ---

void TWallModuleForm::readDevice()
{
    showDeviceName(checkIdentification());
    readAndShowFirmware();
    readBlocks(false);
}

void TWallModuleForm::readBlocks(bool)
{
    const BlockTransfer io(blocks(), m_declaration.reads);
    const auto images = io.read([this](int start, int count) { return readRegisters(start, count); });
    // Every block decoded before anything is checked against anything.
    ++m_settling;
    io.decode(images);
    --m_settling;
    settle();
}

void TWallModuleForm::writeDevice()
{
    const BlockTransfer io(blocks(), m_declaration.reads);
    io.checkComplete();
    const bool keptKnown = identifyForWrite();
    const auto read = [this](int start, int count) { return readRegisters(start, count); };
    const auto written = io.write(
        keptKnown ? BlockTransfer::Read()
                  : [this](int start, int count) { return readRegisters(start, count, false); },
        [this](int start, const std::vector<quint16> &values) { writeRegisters(start, values); });
    io.readBack(written, read);
}
