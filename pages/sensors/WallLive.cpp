#include "pages/sensors/WallLive.h"

#include "pages/framework/Exchanges.h"
#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/Pictures.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kSymbolHint = QStringLiteral("Zadává symbol zobrazení danému režimu");

QString rangeHint(int maximum)
{
    return QStringLiteral("Rozsah 0 až ") + QString::number(maximum);
}

} // namespace

// --- window ---

TWallLiveForm::TWallLiveForm(TWallModuleForm &page, bool humidity) : TExtraForm(page)
{
    auto *measured = new QGroupBox(humidity ? QStringLiteral("Měřená teplota a vlhkost vzduchu")
                                            : QStringLiteral("Měřená teplota"),
                                   this);
    measured->setObjectName(QStringLiteral("temperatureGroupBox"));
    auto *grid = new QGridLayout(measured);
    measureTemperatureMemo =
        memoRow(*grid, 0, QStringLiteral("measureTemperatureMemo"), QStringLiteral("Měřená teplota"),
                QStringLiteral("Měřená teplota modulu"), QStringLiteral("Měřená teplota"),
                QStringLiteral("0,0"), QStringLiteral("measureTemperatureULabel"),
                QStringLiteral("°C"), QStringLiteral("-99,9"))
            .memo;
    if (humidity)
        measuredHumMemo =
            memoRow(*grid, 1, QStringLiteral("measuredHumMemo"),
                    QStringLiteral("Měřená vlhkost vzduchu"), QString(),
                    QStringLiteral("Měřená vlhkost vzduchu"), QStringLiteral("0,0"),
                    QStringLiteral("measuredHumULabel"), QStringLiteral("%"), QStringLiteral("-99,9"))
                .memo;
    // The humidity's caption is long for the narrow window.
    grid->setContentsMargins(4, 6, 2, 6);
    grid->setHorizontalSpacing(3);
    contentLayout()->addWidget(measured);

    digitalInRadioGroup = new TRadioGroup(
        QStringLiteral("Digitální vstup"),
        {QStringLiteral("Svorky 9,10 rozpojeny"), QStringLiteral("Svorky 9,10 spojeny")}, this);
    digitalInRadioGroup->setObjectName(QStringLiteral("digitalInRadioGroup"));
    digitalInRadioGroup->setToolTip(QStringLiteral("Indikuje aktuální stav digitálního vstupu"));
    digitalInRadioGroup->setItemIndex(0);
    // Display only: a click is undone at once.
    connect(digitalInRadioGroup, &TRadioGroup::clicked, this, [this] {
        const QSignalBlocker quiet(digitalInRadioGroup);
        digitalInRadioGroup->setItemIndex(lastDigitalIn);
    });
    contentLayout()->addWidget(digitalInRadioGroup);

    const QString outHint = QStringLiteral("Indikuje aktuální stav digitálního výstupu");
    DigitalOutRadioGroup = new TRadioGroup(QStringLiteral("Digitální výstup"),
                                           {QStringLiteral("Vypnuto"), QStringLiteral("Zapnuto")},
                                           this, 2);
    DigitalOutRadioGroup->setObjectName(QStringLiteral("DigitalOutRadioGroup"));
    DigitalOutRadioGroup->setToolTip(outHint);
    DigitalOutRadioGroup->setItemIndex(0);
    connect(DigitalOutRadioGroup, &TRadioGroup::clicked, this, [this] { digitalOutClick(); });
    contentLayout()->addWidget(DigitalOutRadioGroup);

    digitalOutputGroupBox = new QGroupBox(QStringLiteral("Digitální výstup"), this);
    digitalOutputGroupBox->setObjectName(QStringLiteral("digitalOutputGroupBox"));
    digitalOutputGroupBox->setToolTip(outHint);
    auto *out = new QGridLayout(digitalOutputGroupBox);
    out->setContentsMargins(6, 6, 6, 6);
    digitalOutLabel = new QLabel(QStringLiteral("Digitální výstup"), digitalOutputGroupBox);
    digitalOutLabel->setObjectName(QStringLiteral("digitalOutLabel"));
    digitalOut = new TNumericField(*this, QStringLiteral("digitalOut"),
                                   Rule::whole(0, 65535)
                                       .limitsFrom([this] {
                                           return std::make_pair(0.0, double(outputMaximum));
                                       })
                                       .barOnlyShows()
                                       .length(6),
                                   QString(), digitalOutputGroupBox);
    digitalOutMaskEdit = digitalOut->edit();
    digitalOutScrollBar = digitalOut->bar();
    digitalOutMaskEdit->setAlignment(Qt::AlignRight);
    digitalOutMaskEdit->setFixedWidth(digitalOutMaskEdit->fontMetrics().horizontalAdvance("0000000") + 12);
    for (QWidget *w : std::initializer_list<QWidget *>{digitalOutLabel, digitalOutMaskEdit,
                                                        digitalOutScrollBar})
        w->setToolTip(rangeHint(65535));
    out->addWidget(digitalOutLabel, 0, 0);
    out->addWidget(digitalOutMaskEdit, 0, 1);
    out->addWidget(digitalOutScrollBar, 1, 0, 1, 2);
    connect(digitalOutScrollBar, &QScrollBar::sliderReleased, this,
            [this] { digitalOutScrollEnded(); });
    connect(digitalOutScrollBar, &QScrollBar::actionTriggered, this, [this](int action) {
        // A drag ends with the release; steps, pages and the wheel end at once. The action
        // comes before the bar moves.
        if (action == QAbstractSlider::SliderNoAction ||
            (action == QAbstractSlider::SliderMove && digitalOutScrollBar->isSliderDown()))
            return;
        QMetaObject::invokeMethod(this, [this] { digitalOutScrollEnded(); },
                                  Qt::QueuedConnection);
    });
    connect(digitalOutMaskEdit, &QLineEdit::textEdited, this, [this] { digitalOutTextChanged(); });
    digitalOutputGroupBox->hide();
    contentLayout()->addWidget(digitalOutputGroupBox);

    auto *modes = new QGroupBox(QStringLiteral("Nastavení režimů"), this);
    modes->setObjectName(QStringLiteral("modeGroupBox"));
    auto *mg = new QGridLayout(modes);
    mg->setContentsMargins(6, 6, 2, 6);
    mg->setHorizontalSpacing(2);
    auto *lcd = new QGroupBox(QStringLiteral("Symboly zobrazeny na LCD"), this);
    lcd->setObjectName(QStringLiteral("LCDSymbolsSettingsGroupBox"));
    auto *lg = new QGridLayout(lcd);
    lg->setContentsMargins(6, 6, 6, 6);
    lg->setHorizontalSpacing(4);
    const QStringList positions = {QStringLiteral("Symbol nahoře vlevo"),
                                   QStringLiteral("Symbol nahoře uprostřed"),
                                   QStringLiteral("Symbol nahoře vpravo")};
    const QStringList positionHints = {
        QStringLiteral("Určuje, jaký symbol bude zobrazen na LCD v oblasti nahoře vlevo"),
        QStringLiteral("Určuje, jaký symbol bude zobrazen v oblasti nahoře uprostřed"),
        QStringLiteral("Určuje, jaký symbol bude zobrazen na LCD v oblasti nahoře vpravo")};
    for (int m = 0; m < kModes; ++m) {
        const QString n = QString::number(m + 1);
        auto *label = new QLabel(QStringLiteral("Požadovaný režim ") + n, modes);
        label->setObjectName(QStringLiteral("reqMode%1Label").arg(n));
        label->setToolTip(QStringLiteral("Volba požadovaného režimu 1"));
        reqMode[m] = new QComboBox(modes);
        reqMode[m]->setObjectName(QStringLiteral("reqMode%1ComboBoxEx").arg(n));
        reqMode[m]->setToolTip(kSymbolHint);
        preparePictureCombo(reqMode[m]);
        reqMode[m]->setFixedWidth(70);
        reqMode[m]->setEnabled(false);
        reqModeCounter[m] = new QLabel(QStringLiteral("0"), modes);
        reqModeCounter[m]->setObjectName(QStringLiteral("reqMode%1CounterLabel").arg(n));
        reqModeCounter[m]->setMinimumWidth(reqModeCounter[m]->fontMetrics().horizontalAdvance("00"));
        reqModeCounter[m]->hide();
        QSizePolicy keep = reqModeCounter[m]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        reqModeCounter[m]->setSizePolicy(keep);
        // Caption, list and count on one row; the window is narrow but must stay short.
        mg->addWidget(label, m, 0);
        mg->addWidget(reqMode[m], m, 1);
        mg->addWidget(reqModeCounter[m], m, 2);
        connect(reqMode[m], &QComboBox::activated, this, [this, m] { reqModeChosen(m); });

        auto *plabel = new QLabel(positions[m], lcd);
        plabel->setObjectName(QStringLiteral("symbolAtPosition%1Label").arg(n));
        plabel->setToolTip(positionHints[m]);
        symbolAtPosition[m] = new QComboBox(lcd);
        symbolAtPosition[m]->setObjectName(QStringLiteral("symbolAtPosition%1ComboBoxEx").arg(n));
        symbolAtPosition[m]->setToolTip(kSymbolHint);
        fillPictureCombo(symbolAtPosition[m], PictureList::Symbols);
        symbolAtPosition[m]->setFixedWidth(70);
        symbolAtPosition[m]->setMaxVisibleItems(15);
        // The longer captions break into two lines beside their lists.
        plabel->setWordWrap(true);
        lg->addWidget(plabel, m, 0);
        lg->addWidget(symbolAtPosition[m], m, 1);
        connect(symbolAtPosition[m], &QComboBox::activated, this,
                [this, m] { positionChosen(m); });
    }
    mg->setColumnStretch(0, 1);
    lg->setColumnStretch(0, 1);
    contentLayout()->addWidget(modes);
    contentLayout()->addWidget(lcd);
    setReader(new TWallLiveThread(page, *this, humidity));
}

TWallLiveForm::Requests TWallLiveForm::takeRequests()
{
    std::lock_guard<std::mutex> lock(m_lock);
    Requests r = m_requests;
    m_requests = Requests();
    return r;
}

void TWallLiveForm::reqModeChosen(int mode)
{
    const int index = reqMode[mode]->currentIndex();
    reqModeCounter[mode]->setText(QString::number(index));
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.mode[mode] = true;
    m_requests.modeValue[mode] = std::max(0, index);
}

void TWallLiveForm::positionChosen(int position)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.position[position] = true;
    m_requests.positionValue[position] = std::max(0, symbolAtPosition[position]->currentIndex());
}

void TWallLiveForm::digitalOutClick()
{
    const int item = DigitalOutRadioGroup->itemIndex();
    if (item == lastOutItem)
        return;
    lastOutItem = item;
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.output = true;
    m_requests.outputValue = item == 1 ? 2 : 0;
}

void TWallLiveForm::digitalOutScrollEnded()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.output = true;
    m_requests.outputValue = digitalOutScrollBar->value();
}

void TWallLiveForm::digitalOutTextChanged()
{
    qint64 v = 0;
    if (!parseWhole(digitalOutMaskEdit->text(), v)) {
        digitalOut->fallBack(QStringLiteral("0"), 0);
        return;
    }
    const auto [lo, hi] = digitalOut->limits();
    const int clamped = int(clampToRange(digitalOutMaskEdit, double(v), lo, hi, 0, true));
    // The text being typed stays as it is.
    const QSignalBlocker quiet(digitalOutScrollBar);
    digitalOutScrollBar->setValue(clamped);
}

void TWallLiveForm::fieldExit(TNumericField &field)
{
    field.acceptText(true);
    // Hiding the group moves the focus away: no choice of the user's.
    if (!digitalOutputGroupBox->isHidden())
        digitalOutScrollEnded();
}

// --- reader ---

TWallLiveThread::TWallLiveThread(TWallModuleForm &page, TWallLiveForm &window, bool humidity)
    : TFormThread(page, window),
      m_form(window),
      m_model(page.traits().models.value(0)),
      m_humidity(humidity)
{
    for (auto &mode : m_symbols)
        std::fill(std::begin(mode), std::end(mode), -1);
}

bool TWallLiveThread::readValues()
{
    const QStringList models = {m_model};
    checkIdentification(models, true);
    const auto measured = readRegisters(0x0000, m_humidity ? 2 : 1);
    m_temperature = qint16(measured.at(0));
    if (m_humidity)
        m_humidityValue = qint16(measured.at(1));
    m_measured = true;

    const auto io = readRegisters(0x0014, 7);
    m_digitalIn = io.at(0) != 0 ? 1 : 0;
    const int output = io.at(3);
    m_outputChanged |= output != m_output || m_refreshOutput;
    m_refreshOutput = false;
    m_output = output;
    for (int p = 0; p < kModes; ++p) {
        // A picture number from the device indexes nothing unchecked.
        const int s = std::min<int>(io.at(size_t(4 + p)), kSymbolCount - 1);
        m_positionChanged[p] |= s != m_position[p] || m_refreshPosition[p];
        m_refreshPosition[p] = false;
        m_position[p] = s;
    }

    const auto modes = readRegisters(0x0054, 6);
    for (int m = 0; m < kModes; ++m) {
        const int binding = std::min<int>(modes.at(size_t(2 * m)), 3);
        const int count = std::min<int>(modes.at(size_t(2 * m + 1)), kSymbols);
        m_bindingsChanged |= binding != m_binding[m];
        m_binding[m] = binding;
        m_modeChanged[m] |= count != m_count[m];
        m_count[m] = count;
    }

    m_steps = int(readRegisters(0x0032, 1).at(0)) + 1;

    const auto symbols = readRegisters(0x005C, 48);
    for (int m = 0; m < kModes; ++m)
        for (int s = 0; s < kSymbols; ++s) {
            const int v = std::min<int>(symbols.at(size_t(m * kSymbols + s)), kSymbolCount - 1);
            m_modeChanged[m] |= v != m_symbols[m][s];
            m_symbols[m][s] = v;
        }

    const auto requested = readRegisters(0x0010, 3);
    for (int m = 0; m < kModes; ++m) {
        const int r = requested.at(size_t(m));
        m_modeChanged[m] |= r != m_requested[m] || m_refreshMode[m];
        m_refreshMode[m] = false;
        m_requested[m] = r;
    }
    m_modesPolled = true;
    return true;
}

void TWallLiveThread::writeOne(int address, int value)
{
    checkIdentification({m_model}, true);
    exchange::writeHolding(transmit(), address, {quint16(value)});
}

void TWallLiveThread::writeRequests()
{
    // Stored by the user-interface thread; only the lock is shared.
    const TWallLiveForm::Requests r = m_form.takeRequests();
    // Whatever becomes of the writes, the next good poll shows what the module holds for
    // every item taken here: a failed write ends the cycle before the items after it.
    m_refreshOutput |= r.output;
    for (int i = 0; i < kModes; ++i) {
        m_refreshPosition[i] |= r.position[i];
        m_refreshMode[i] |= r.mode[i];
    }
    for (int p = 0; p < kModes; ++p)
        if (r.position[p])
            writeOne(0x0018 + p, r.positionValue[p]);
    if (r.output)
        writeOne(0x0017, r.outputValue);
    for (int m = 0; m < kModes; ++m)
        if (r.mode[m])
            writeOne(0x0010 + m, r.modeValue[m]);
}

void TWallLiveThread::showValues()
{
    TWallLiveForm &f = m_form;
    if (m_measured) {
        f.measureTemperatureMemo->setText(formatFixed(m_temperature / 10.0, 1));
        if (f.measuredHumMemo)
            f.measuredHumMemo->setText(formatFixed(m_humidityValue / 10.0, 1));
    }
    if (m_digitalIn >= 0) {
        f.lastDigitalIn = m_digitalIn;
        const QSignalBlocker quiet(f.digitalInRadioGroup);
        f.digitalInRadioGroup->setItemIndex(m_digitalIn);
    }
    if (m_steps > 0 && m_output >= 0) {
        const int maximum = std::min(m_steps, 65535);
        f.outputMaximum = maximum;
        f.digitalOutScrollBar->setMaximum(maximum);
        for (QWidget *w : std::initializer_list<QWidget *>{f.digitalOutLabel, f.digitalOutMaskEdit,
                                                            f.digitalOutScrollBar})
            w->setToolTip(rangeHint(maximum));
        const bool pwm = m_steps > 2;
        // A switch of the display shows the output's value in the control now shown.
        if (pwm != m_pwmShown || !m_outputShownOnce)
            m_outputChanged = true;
        m_pwmShown = pwm;
        f.DigitalOutRadioGroup->setVisible(!pwm);
        f.digitalOutputGroupBox->setVisible(pwm);
        if (m_outputChanged) {
            if (pwm) {
                const QSignalBlocker quiet(f.DigitalOutRadioGroup);
                f.DigitalOutRadioGroup->setItemIndex(0);
                f.digitalOutScrollBar->setValue(std::min(m_output, maximum));
            } else {
                f.digitalOutScrollBar->setValue(0);
                const QSignalBlocker quiet(f.DigitalOutRadioGroup);
                f.DigitalOutRadioGroup->setItemIndex(m_output != 0 ? 1 : 0);
            }
            // What the output shows is what a click compares with.
            f.lastOutItem = f.DigitalOutRadioGroup->itemIndex();
            m_outputChanged = false;
            m_outputShownOnce = true;
        }
    }
    if (m_modesPolled) {
        for (int m = 0; m < kModes; ++m) {
            if (!m_modeChanged[m])
                continue;
            QComboBox *c = f.reqMode[m];
            const int remembered = c->currentIndex();
            c->clear();
            const int n = std::clamp(m_count[m], 0, kSymbols);
            c->setEnabled(n > 0);
            if (n > 0) {
                for (int s = 0; s < n; ++s)
                    c->addItem(QIcon(picture(PictureList::Symbols, m_symbols[m][s])), QString());
                const bool first = f.firstFill[m] || n == 1 || remembered < 0;
                c->setCurrentIndex(first ? 0 : std::min(remembered, n - 1));
                f.firstFill[m] = false;
                const int r = m_requested[m];
                c->setCurrentIndex(r >= 0 && r < n ? r : n - 1);
            }
            f.reqModeCounter[m]->setText(QString::number(std::max(0, c->currentIndex())));
            f.reqModeCounter[m]->setVisible(n > 0);
            m_modeChanged[m] = false;
        }
        if (m_bindingsChanged) {
            for (int p = 0; p < kModes; ++p) {
                bool bound = false;
                for (int m = 0; m < kModes; ++m)
                    bound |= m_binding[m] == p + 1;
                f.symbolAtPosition[p]->setEnabled(!bound);
            }
            m_bindingsChanged = false;
        }
    }
    for (int p = 0; p < kModes; ++p)
        if (m_positionChanged[p] && m_position[p] >= 0) {
            f.symbolAtPosition[p]->setCurrentIndex(m_position[p]);
            m_positionChanged[p] = false;
        }
}
