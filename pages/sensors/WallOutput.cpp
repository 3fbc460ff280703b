// The digital output of the wall modules: two states or PWM, the PWM period from the steps
// and the prescaler in units of 0,0001 ms, and the period edit with its own key filter and
// exit handler.

#include "pages/sensors/WallModule.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "platform/Prompts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

const QString kPwmHint = QStringLiteral(
    "Na digitálním výstupu se bude generovat PWM signál s rozlišením nastaveným v kolonce "
    "\"Počet kroků pro 1 periodu\" a s periodou nastavenou v kolonce \"Perioda PWM\".");
constexpr qint64 kMinPeriodUnits = 500;  // 0,05 ms: at most 20 kHz
constexpr qint64 kUnitsPerStep = 5;      // the time step 0,0005 ms
constexpr qint64 kMaxUnitsPerStep = 327680; // 65536 time steps a step

// "1,2345" as whole units of 0,0001; digits beyond the fourth round up (the prescaler is
// a ceiling anyway). False for text that is no unsigned decimal.
bool parsePeriodUnits(const QString &text, qint64 &units)
{
    double check = 0;
    if (!parseDecimal(text, check, false))
        return false;
    const QString t = text.trimmed();
    const int comma = t.indexOf(QLatin1Char(','));
    const QString whole = comma < 0 ? t : t.left(comma);
    const QString fraction = comma < 0 ? QString() : t.mid(comma + 1);
    if (whole.size() > 9)
        return false;
    units = whole.isEmpty() ? 0 : whole.toLongLong() * 10000;
    const QString four = (fraction + QStringLiteral("0000")).left(4);
    units += four.toLongLong();
    if (fraction.size() > 4 && fraction.mid(4).toLongLong() > 0)
        ++units;
    return true;
}

} // namespace

QString TWallModuleForm::outputTypeHint(bool pwm)
{
    return pwm ? kPwmHint
               : QStringLiteral(
                     "Digitální výstup bude nabývat pouze dva stavy, zapnuto nebo vypnuto.");
}

qint64 TWallModuleForm::periodUnits(int prescaler, int steps)
{
    return qint64(prescaler + 1) * steps * kUnitsPerStep;
}

int TWallModuleForm::prescalerLowerLimit(int steps)
{
    // The smallest integer not less than 100 / steps - 1.
    return steps >= 100 ? 0 : int((100 - steps + steps - 1) / steps);
}

int TWallModuleForm::prescalerForPeriod(qint64 units, int steps)
{
    const qint64 perPrescaler = qint64(steps) * kUnitsPerStep;
    return int((units + perPrescaler - 1) / perPrescaler - 1);
}

QString TWallModuleForm::periodText(qint64 units)
{
    return QStringLiteral("%1,%2").arg(units / 10000).arg(units % 10000, 4, 10, QLatin1Char('0'));
}

QString TWallModuleForm::frequencyText(qint64 units)
{
    // 1000 / (units / 10000) Hz, in tenths, rounded.
    const qint64 tenths = (qint64(100000000) + units / 2) / units;
    return QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10);
}

void TWallModuleForm::applyOutputType(bool setValues)
{
    const bool pwm = outType->itemIndex() == 1;
    if (setValues) {
        if (pwm) {
            m_stepsMin = 3;
            steps->bar()->setMinimum(3); // 2 steps become 3 (the bar's change runs)
            prescaler->setValue(33);
        } else {
            m_stepsMin = 2;
            steps->bar()->setMinimum(2);
            steps->setPosition(2);
            prescaler->setMinimum(0);
            prescaler->setValue(0);
        }
    }
    for (QWidget *w : std::initializer_list<QWidget *>{steps->edit(), steps->bar(), period,
                                                        prescaler})
        w->setEnabled(pwm);
    outType->setToolTip(outputTypeHint(pwm));
    showPeriod();
}

void TWallModuleForm::digitalOutTypeClick()
{
    applyOutputType(true);
}

void TWallModuleForm::stepsAccepted()
{
    prescaler->setMinimum(prescalerLowerLimit(steps->position()));
    prescalerChange();
}

void TWallModuleForm::showPeriod()
{
    const qint64 units = periodUnits(prescaler->value(), steps->position());
    period->setText(periodText(units));
    period->setModified(false);
    frequency->setText(frequencyText(units));
}

void TWallModuleForm::prescalerChange()
{
    showPeriod();
    markChanged(true);
}

bool TWallModuleForm::periodExit()
{
    period->setModified(false);
    if (outType->itemIndex() != 1) {
        setInvalidInput(false);
        markChanged(true);
        return true;
    }
    const int n = steps->position();
    qint64 units = 0;
    if (!parsePeriodUnits(period->text(), units)) {
        prescaler->setValue(prescaler->minimum());
        period->setText(periodText(periodUnits(prescaler->minimum(), n)));
        frequency->setText(frequencyText(periodUnits(prescaler->minimum(), n)));
        period->selectAll();
        period->setFocus();
        Prompts::instance().beep();
        setInvalidInput(true);
        return false;
    }
    const qint64 lo = std::max<qint64>(kMinPeriodUnits, n * kUnitsPerStep);
    const qint64 hi = qint64(n) * kMaxUnitsPerStep;
    if (units < lo || units > hi) {
        const double v = clampToRange(period, units / 10000.0, lo / 10000.0, hi / 10000.0, 4,
                                      !QuietRanges::active());
        units = std::llround(v * 10000);
    }
    prescaler->setValue(std::clamp(prescalerForPeriod(units, n), prescaler->minimum(), 65535));
    showPeriod();
    setInvalidInput(false);
    markChanged(true);
    return true;
}

bool TWallModuleForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == period && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (periodExit())
                period->selectAll();
            return true;
        }
        const QString t = key->text();
        const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                             key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                             key->key() == Qt::Key_Tab || key->key() == Qt::Key_Home ||
                             key->key() == Qt::Key_End;
        if (!editing && !t.isEmpty() &&
            !(t.size() == 1 && (t[0].isDigit() || t[0] == QLatin1Char(',')))) {
            Prompts::instance().beep();
            return true;
        }
    }
    return TComponentForm::eventFilter(watched, event);
}

void TWallModuleForm::commitPendingEdit()
{
    TComponentForm::commitPendingEdit();
    if (period->isModified())
        periodExit();
}
