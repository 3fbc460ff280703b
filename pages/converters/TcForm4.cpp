#include "pages/converters/TcForm4.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QStringList kModels = {QStringLiteral("ZK")};

struct InputType {
    const char *text;
    int code;       // in the low byte of 0x2006
    int rangeStart; // default input range of the non-thermometer types
    int rangeEnd;
};

const InputType kTypes[] = {
    {"Ni 1000/5000ppm", 0x00, 0, 0},       {"Ni 1000/6180ppm", 0x01, 0, 0},
    {"Pt 1000/3850ppm", 0x02, 0, 0},       {"Pt 100/3850ppm", 0x03, 0, 0},
    {"odpor 0-1000 ohmů", 0x10, 0, 10000}, {"odpor 0-100 ohmů", 0x11, 0, 1000},
    {"napětí 0-10 V", 0x30, 0, 1000},      {"napětí 0-5 V", 0x31, 0, 500},
    {"proud 4-20 mA", 0x40, 400, 2000},    {"proud 0-20 mA", 0x41, 0, 2000},
};
constexpr int kTypeCount = int(sizeof(kTypes) / sizeof(kTypes[0]));

const QString kThermometerHint = QStringLiteral("Rozsah -100,0 až 400,0");
const QString kPlainHint = QStringLiteral("Rozsah -32767 až 32766");
constexpr int kPlainMin = -32767;
constexpr int kPlainMax = 32766;

FrequencyConverterDeclaration declaration()
{
    FrequencyConverterDeclaration d;
    d.prefix = QStringLiteral("c4");
    d.typeCaption = QStringLiteral("Typ vstupního signálu");
    for (const InputType &t : kTypes)
        d.types.push_back({QString::fromUtf8(t.text), t.code});
    d.baudItems = QStringList{"1200", "2400", "4800", "9600", "19200"};
    d.minFrequency = 0;
    return d;
}

} // namespace

TcForm4::TcForm4(QWidget *parent)
    : TFrequencyConverterForm(
          PageTraits::classic(QStringLiteral("cForm4"), QStringLiteral("ZK"), kModels)
              .verifyDelay(1500)
              .firmwarePanelWidth(kFirmwarePanelWidth)
              .messagePanelWidth(kMessagePanelWidth),
          declaration(), parent)
{
    required(*m_type);

    auto inputRange = [this](int n) {
        TNumericField *field = n == 0 ? m_i1 : m_i2;
        return [this, field, n](const quint16 *r) {
            // The read value is kept whole: the type read with it decides its limits.
            m_noted[n] = static_cast<qint16>(*r);
            field->decode(static_cast<qint16>(*r));
        };
    };
    auto position = [](TNumericField *field) {
        return [field](quint16 *r) { *r = static_cast<quint16>(field->position()); };
    };
    // The type list takes the selection alone: the input mode follows after the read.
    auto &image = block(0x2001, 15)
                      .text(*m_text, 10)
                      .lowByte(*m_type)
                      .position(*m_off)
                      .bytes(*m_address, *m_speed)
                      .custom(1, position(m_i1), inputRange(0))
                      .custom(1, position(m_i2), inputRange(1));
    image.positions({m_o1, m_o2, m_sp, m_fl, m_fh});

    // Scroll bars of the input range show plain numbers outside the thermometer mode.
    for (TNumericField *f : {m_i1, m_i2})
        connect(f->bar(), &QScrollBar::valueChanged, this, [this, f] {
            if (!thermometerMode)
                showInputRange(*f);
        });
    // A type set by a configuration file brings its limits before the file's input range
    // arrives, so the range loads as saved and not cut to the previous type's limits. The
    // rest of the type change follows once every value is in.
    connect(m_type, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (item >= 0)
            setInputRangeLimits(isThermometerItem(item));
    });
    // Only a user's choice switches the mode (a read or a load settles it afterwards).
    connect(m_type, &QComboBox::activated, this, [this] { c4ZdTextEditChange(m_type); });
    connect(m_speed, &QComboBox::activated, this, [this] { c4ZdTextEditChange(m_speed); });
    connect(m_address, &QComboBox::activated, this, [this] { c4ZdTextEditChange(m_address); });

    savedControls(true);
    finishCreate();
}

TExtraForm *TcForm4::createLiveWindow()
{
    return new Tc4extForm(*this);
}

void TcForm4::c4ZdTextEditChange(QObject *sender)
{
    // Choosing the selected type again runs the change too (it brings back the type's
    // default input range).
    if (sender == m_type)
        typeChange();
    keepInputRange = false;
    changeOf(sender);
}

void TcForm4::typeChange()
{
    const int item = m_type->currentIndex();
    if (QLabel *label = labelOf(m_type))
        label->setStyleSheet(QString());
    // A code the list does not know leaves the mode as it is; the page cannot be written
    // until a type is chosen.
    if (item < 0)
        return;
    thermometerMode = isThermometerItem(item);
    // Outside the thermometer mode the disabled correction keeps its text.
    m_off->setEditFollowsBar(thermometerMode);
    for (TNumericField *f : {m_off, m_sp}) {
        f->edit()->setEnabled(thermometerMode);
        f->bar()->setEnabled(thermometerMode);
    }
    setInputRangeLimits(thermometerMode);
    for (TNumericField *f : {m_i1, m_i2}) {
        f->unitLabel()->setVisible(thermometerMode);
        const QString &hint = thermometerMode ? kThermometerHint : kPlainHint;
        f->edit()->setToolTip(hint);
        f->bar()->setToolTip(hint);
        // The caption repeats the range in its hint.
        if (QLabel *label = labelOf(f->edit()))
            label->setToolTip(hint);
        showInputRange(*f);
    }
    if (thermometerMode)
        m_off->edit()->setText(formatFixed(m_off->position() / 10.0, 1));
    else if (!keepInputRange) {
        m_i1->setPosition(kTypes[item].rangeStart);
        m_i2->setPosition(kTypes[item].rangeEnd);
    }
}

void TcForm4::setInputRangeLimits(bool thermometer)
{
    for (TNumericField *f : {m_i1, m_i2}) {
        // The order keeps the position inside the range while it changes.
        if (thermometer) {
            f->bar()->setMinimum(-1000);
            f->bar()->setMaximum(4000);
        } else {
            f->bar()->setMaximum(kPlainMax);
            f->bar()->setMinimum(kPlainMin);
        }
    }
}

void TcForm4::showInputRange(TNumericField &field)
{
    const int p = field.position();
    field.edit()->setText(thermometerMode ? formatFixed(p / 10.0, 1) : QString::number(p));
}

void TcForm4::flMinusMaskEditExit(TNumericField &field)
{
    if (thermometerMode || (&field != m_i1 && &field != m_i2)) {
        TComponentForm::flMinusMaskEditExit(field);
        return;
    }
    // Outside the thermometer mode the input range is a plain signed number.
    QLineEdit *edit = field.edit();
    qint64 value = 0;
    if (!parseWhole(edit->text(), value)) {
        field.fallBack(QStringLiteral("0"), 0);
        return;
    }
    edit->setText(QString::number(value));
    const double v = clampToRange(edit, double(value), kPlainMin, kPlainMax, 0, true);
    field.bar()->setValue(static_cast<int>(v));
    setInvalidInput(false);
}

void TcForm4::readDevice()
{
    // Noted before the first exchange; a good read replaces them with the values read.
    m_noted[0] = m_i1->position();
    m_noted[1] = m_i2->position();
    TFrequencyConverterForm::readDevice();
}

void TcForm4::settleAfterRead(bool ok)
{
    // The input range ends up in the limits of the type read (or restored), at the values
    // read (or those from before a failed read).
    keepInputRange = true;
    typeChange();
    m_i1->setPosition(m_noted[0]);
    m_i2->setPosition(m_noted[1]);
    keepInputRange = true;
    typeChange();
    keepInputRange = false;
    if (ok)
        markChanged(true);
}

void TcForm4::controlsLoaded()
{
    keepInputRange = true;
    typeChange();
    keepInputRange = false;
}

// --- live window ---

Tc4extForm::Tc4extForm(TComponentForm &page) : TTemperatureLiveForm(page)
{
    setReader(new Tc4extThread(page, *this));
}

Tc4extThread::Tc4extThread(TComponentForm &page, Tc4extForm &window)
    : TFormThread(page, window), m_form(window)
{
}

bool Tc4extThread::readValues()
{
    checkIdentification(kModels);
    // The unit follows the type as soon as it is read, even when the value's read fails.
    m_code = readRegisters(0x2006, 1).at(0) & 0xFF;
    values[0] = static_cast<qint16>(readRegisters(0x0000, 1).at(0));
    m_valueCode = m_code;
    return true;
}

void Tc4extThread::showValues()
{
    m_form.measureTemperatureULabel->setVisible(m_code < 4);
    // The value stays that of the last good poll, shown as its type says.
    m_form.measureTemperatureMemo->setText(m_valueCode < 4 ? formatFixed(values[0] / 10.0, 1)
                                                           : QString::number(values[0]));
}
