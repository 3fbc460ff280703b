#include "pages/converters/UniversalInput.h"

#include "pages/framework/Fields.h"
#include "pages/framework/InputTypes.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace {

const QString kThermometerHint = QStringLiteral("Rozsah -100,0 až 400,0");
const QString kPlainHint = QStringLiteral("Rozsah -32767 až 32766");
constexpr int kPlainMin = -32767;
constexpr int kPlainMax = 32766;

} // namespace

void TUniversalInput::attach(const UniversalInputFields &fields)
{
    m_f = fields;
    m_ranges[0] = fields.i1;
    m_ranges[1] = fields.i2;
    m_ranges[2] = fields.u1;
    m_ranges[3] = fields.u2;
    for (TNumericField *f : {m_f.i1, m_f.i2}) {
        // Scroll bars of the input range show plain numbers outside the thermometer mode.
        connect(f->bar(), &QScrollBar::valueChanged, this, [this, f] {
            if (!thermometerMode)
                showInputRange(*f);
            followInputRange(*f);
        });
        // A fallback moves the bar quietly: the output range follows all the same.
        f->onAccepted([this, f] { followInputRange(*f); });
    }
    // A type set by a configuration file brings its limits before the file's input range
    // arrives, so the range loads as saved and not cut to the previous type's limits. The
    // rest of the type change follows once every value is in.
    connect(m_f.type, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (item >= 0)
            setInputRangeLimits(isThermometerItem(item));
    });
}

void TUniversalInput::typeChange()
{
    const int item = m_f.type->currentIndex();
    if (QLabel *label = m_page.labelOf(m_f.type))
        label->setStyleSheet(QString());
    // A code the list does not know leaves the mode as it is; the page cannot be written
    // until a type is chosen.
    if (item < 0)
        return;
    thermometerMode = isThermometerItem(item);
    // Disabled outside the thermometer mode, the correction and the fault value still show
    // the values they keep and write.
    for (TNumericField *f : {m_f.off, m_f.sp}) {
        f->edit()->setEnabled(thermometerMode);
        f->bar()->setEnabled(thermometerMode);
    }
    for (TNumericField *f : {m_f.u1, m_f.u2}) {
        if (!f)
            continue;
        f->edit()->setEnabled(!thermometerMode);
        f->bar()->setEnabled(!thermometerMode);
        f->edit()->setText(f->positionText());
    }
    setInputRangeLimits(thermometerMode);
    for (TNumericField *f : {m_f.i1, m_f.i2}) {
        f->unitLabel()->setVisible(thermometerMode);
        const QString &hint = thermometerMode ? kThermometerHint : kPlainHint;
        f->edit()->setToolTip(hint);
        f->bar()->setToolTip(hint);
        // The caption repeats the range in its hint.
        if (QLabel *label = m_page.labelOf(f->edit()))
            label->setToolTip(hint);
        showInputRange(*f);
    }
    m_f.off->edit()->setText(m_f.off->positionText());
    if (!thermometerMode && !keepInputRange) {
        const InputType &t = inputTypes()[size_t(item)];
        for (TNumericField *f : {m_f.i1, m_f.u1})
            if (f)
                f->setPosition(t.rangeStart);
        for (TNumericField *f : {m_f.i2, m_f.u2})
            if (f)
                f->setPosition(t.rangeEnd);
    }
}

void TUniversalInput::userChange(QObject *sender)
{
    // Choosing the selected type again runs the change too (it brings back the type's
    // default ranges).
    if (sender == m_f.type)
        typeChange();
    keepInputRange = false;
}

bool TUniversalInput::plainTypeSelected() const
{
    return m_f.type->currentIndex() >= 0 && !isThermometerItem(m_f.type->currentIndex());
}

void TUniversalInput::setInputRangeLimits(bool thermometer)
{
    // A range cut to new limits is no entry: the output range keeps its values.
    const QScopedValueRollback<bool> limiting(m_limiting, true);
    for (TNumericField *f : {m_f.i1, m_f.i2}) {
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

void TUniversalInput::showInputRange(TNumericField &field)
{
    const int p = field.position();
    field.edit()->setText(thermometerMode ? formatFixed(p / 10.0, 1) : QString::number(p));
}

void TUniversalInput::followInputRange(TNumericField &input)
{
    TNumericField *output = &input == m_f.i1 ? m_f.u1 : m_f.u2;
    if (output && !thermometerMode && !keepInputRange && !m_limiting)
        output->setPosition(input.position());
}

bool TUniversalInput::plainExit(TNumericField &field)
{
    if (thermometerMode || (&field != m_f.i1 && &field != m_f.i2))
        return false;
    // Outside the thermometer mode the input range is a plain signed number.
    QLineEdit *edit = field.edit();
    qint64 value = 0;
    if (!parseWhole(edit->text(), value)) {
        field.fallBack(QStringLiteral("0"), 0);
        return true;
    }
    edit->setText(QString::number(value));
    const double v = clampToRange(edit, double(value), kPlainMin, kPlainMax, 0, true);
    field.bar()->setValue(static_cast<int>(v));
    m_page.setInvalidInput(false);
    return true;
}

int TUniversalInput::slotOf(const TNumericField &field) const
{
    for (int k = 0; k < 4; ++k)
        if (m_ranges[k] == &field)
            return k;
    return 0;
}

RegisterBlock &TUniversalInput::rangeSlot(RegisterBlock &block, TNumericField &field)
{
    const int k = slotOf(field);
    TNumericField *f = &field;
    return block.custom(
        1, [f](quint16 *r) { *r = static_cast<quint16>(f->position()); },
        [this, f, k](const quint16 *r) {
            // The read value is kept whole: the type read with it decides its limits.
            m_noted[k] = static_cast<qint16>(*r);
            f->decode(static_cast<qint16>(*r));
        });
}

void TUniversalInput::noteRanges()
{
    // Noted before the first exchange; a good read replaces them with the values read.
    for (int k = 0; k < 4; ++k)
        if (m_ranges[k])
            m_noted[k] = m_ranges[k]->position();
}

void TUniversalInput::settle()
{
    keepInputRange = true;
    typeChange();
    for (int k = 0; k < 4; ++k)
        if (m_ranges[k])
            m_ranges[k]->setPosition(m_noted[k]);
    keepInputRange = true;
    typeChange();
    keepInputRange = false;
}

void TUniversalInput::loaded()
{
    keepInputRange = true;
    typeChange();
    keepInputRange = false;
}
