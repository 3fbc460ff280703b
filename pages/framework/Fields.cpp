// The numeric field: its rule, rounding of positions, the range warning and the field's
// key filter, exit handler, fallback and scroll-bar coupling. The other controls and the
// helpers between controls and registers are in Controls.cpp.

#include "pages/framework/Fields.h"

#include "pages/framework/NumberText.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

// --- Rule ---

Rule Rule::whole(double min, double max)
{
    Rule r;
    r.kind = FieldKind::Whole;
    r.min = min;
    r.max = max;
    return r;
}

Rule Rule::signedWhole(double min, double max)
{
    Rule r = whole(min, max);
    r.minusKey = true;
    return r;
}

Rule Rule::signedDecimal(double min, double max, int decimals)
{
    Rule r;
    r.kind = FieldKind::SignedDecimal;
    r.min = min;
    r.max = max;
    r.places(decimals);
    return r;
}

Rule Rule::unsignedDecimal(double min, double max, int decimals)
{
    Rule r = signedDecimal(min, max, decimals);
    r.kind = FieldKind::UnsignedDecimal;
    return r;
}

Rule Rule::openDecimal(int decimals)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    return signedDecimal(-inf, inf, decimals);
}

Rule &Rule::places(int n)
{
    decimals = n;
    scale = std::pow(10.0, n);
    return *this;
}

Rule &Rule::scaled(double s)
{
    scale = s;
    return *this;
}

Rule &Rule::fallback(const QString &text, int position)
{
    hasFallback = true;
    fallbackText = text;
    fallbackPosition = position;
    return *this;
}

Rule &Rule::warnBounds(const QString &minText, const QString &maxText)
{
    warnMinText = minText;
    warnMaxText = maxText;
    return *this;
}

Rule &Rule::quantize(std::function<double(double)> q)
{
    quantizer = std::move(q);
    return *this;
}

Rule &Rule::limitsFrom(std::function<std::pair<double, double>()> f)
{
    computedLimits = std::move(f);
    return *this;
}

Rule &Rule::barRange(int lo, int hi)
{
    hasBarRange = true;
    barMin = lo;
    barMax = hi;
    return *this;
}

int roundPosition(double product, Rounding rounding)
{
    // Products such as 1,1 x 10 = 11.000000000000002 must not step to the next position.
    const double eps = 1e-9 * std::max(1.0, std::fabs(product));
    double r;
    switch (rounding) {
    case Rounding::Ceiling:
        r = std::ceil(product - eps);
        break;
    case Rounding::Nearest:
        r = std::round(product);
        break;
    case Rounding::SingleTruncate:
        r = std::trunc(static_cast<double>(static_cast<float>(product)));
        break;
    case Rounding::Truncate:
    case Rounding::Default:
    default:
        r = std::trunc(product + (product >= 0 ? eps : -eps));
        break;
    }
    if (r > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (r < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

namespace {
int quietRanges = 0;
}

QuietRanges::QuietRanges()
{
    ++quietRanges;
}

QuietRanges::~QuietRanges()
{
    --quietRanges;
}

bool QuietRanges::active()
{
    return quietRanges > 0;
}

double clampToRange(QLineEdit *edit, double value, double min, double max, int decimals, bool warn,
                    const QString &minText, const QString &maxText)
{
    if (QuietRanges::active())
        warn = false;
    double result = value;
    bool limited = false;
    if (value > max) {
        result = max;
        limited = true;
    } else if (value < min) {
        result = min;
        limited = true;
    }
    if (!limited)
        return value;
    if (edit)
        edit->setText(formatFixed(result, decimals));
    if (warn) {
        const QString lo = minText.isEmpty() ? formatFixed(min, decimals) : minText;
        const QString hi = maxText.isEmpty() ? formatFixed(max, decimals) : maxText;
        Prompts::instance().message(QStringLiteral("Můžete zadat pouze hodnoty od ") + lo +
                                        QStringLiteral(" do ") + hi,
                                    QStringLiteral("Varování"), PromptIcon::Warning);
        if (edit) {
            edit->selectAll();
            edit->setFocus();
        }
    }
    return result;
}

// --- TNumericField ---

TNumericField::TNumericField(FieldHost &host, const QString &prefix, const Rule &rule,
                             const QString &unit, QWidget *parent)
    : QObject(parent), m_host(host), m_prefix(prefix), m_rule(rule)
{
    setObjectName(prefix);
    m_edit = new QLineEdit(parent);
    m_edit->setObjectName(prefix + QStringLiteral("MaskEdit"));
    m_edit->installEventFilter(this);
    m_bar = newScrollBar(parent);
    m_bar->setObjectName(prefix + QStringLiteral("ScrollBar"));
    m_bar->setPageStep(m_rule.pageStep);
    if (!m_rule.hasBarRange) {
        m_rule.barMin = roundPosition(m_rule.min * m_rule.scale, Rounding::Nearest);
        m_rule.barMax = roundPosition(m_rule.max * m_rule.scale, Rounding::Nearest);
    }
    m_bar->setRange(m_rule.barMin, m_rule.barMax);
    m_bar->setValue(m_rule.barMin);
    if (!unit.isEmpty()) {
        m_unit = new QLabel(unit, parent);
        m_unit->setObjectName(prefix + QStringLiteral("ULabel"));
    }
    if (m_rule.maxLength <= 0) {
        const int a = formatFixed(m_rule.min, m_rule.decimals).size();
        const int b = formatFixed(m_rule.max, m_rule.decimals).size();
        m_rule.maxLength = std::max(a, b);
        if (m_rule.computedLimits)
            m_rule.maxLength += 1;
    }
    m_edit->setMaxLength(m_rule.maxLength);
    // The edit shows the bar's initial position.
    m_edit->setText(positionText());
    connect(m_bar, &QScrollBar::valueChanged, this, [this] { barChanged(); });
}

int TNumericField::position() const
{
    return m_bar->value();
}

double TNumericField::value() const
{
    return m_bar->value() / m_rule.scale;
}

void TNumericField::setPosition(int position)
{
    m_bar->setValue(position);
}

void TNumericField::setValue(double value)
{
    m_bar->setValue(roundPosition(value * m_rule.scale, m_rule.rounding));
}

std::pair<double, double> TNumericField::limits() const
{
    if (m_rule.computedLimits)
        return m_rule.computedLimits();
    return {m_rule.min, m_rule.max};
}

void TNumericField::decode(int registerValue)
{
    int v = registerValue;
    if (v < m_bar->minimum())
        v = m_bar->minimum();
    if (v > m_bar->maximum())
        v = m_bar->maximum();
    m_bar->setValue(v);
}

void TNumericField::fallBackToRule()
{
    QString fallbackText = m_rule.fallbackText;
    if (!m_rule.hasFallback)
        fallbackText =
            m_rule.kind == FieldKind::Whole ? QStringLiteral("0") : formatFixed(0, m_rule.decimals);
    fallBack(fallbackText, m_rule.hasFallback ? m_rule.fallbackPosition : 0);
}

bool TNumericField::acceptText(bool warn)
{
    if (m_rule.exact)
        return acceptExact(warn);
    const QString text = m_edit->text();
    double value = 0;
    bool ok;
    if (m_rule.kind == FieldKind::Whole) {
        qint64 whole = 0;
        ok = parseWhole(text, whole);
        value = static_cast<double>(whole);
    } else {
        ok = parseDecimal(text, value, m_rule.kind == FieldKind::SignedDecimal);
    }
    if (!ok) {
        fallBackToRule();
        return false;
    }
    if (m_rule.quantizer)
        value = m_rule.quantizer(value);
    if (m_rule.kind == FieldKind::Whole)
        m_edit->setText(QString::number(static_cast<qint64>(value)));
    else
        m_edit->setText(formatFixed(value, m_rule.decimals));
    const auto [lo, hi] = limits();
    value = clampToRange(m_edit, value, lo, hi, m_rule.decimals, warn, m_rule.warnMinText,
                         m_rule.warnMaxText);
    m_bar->setValue(roundPosition(value * m_rule.scale, m_rule.rounding));
    for (auto &f : m_accepted)
        f();
    // "12,36" kept as 123 reads "12,3": the bar does not rewrite the edit when the
    // position was already there.
    if (m_editFollowsBar && m_edit->text() != positionText())
        m_edit->setText(positionText());
    m_host.setInvalidInput(false);
    return true;
}

bool TNumericField::acceptExact(bool warn)
{
    const int n = places();
    const QString text = m_edit->text();
    qint64 count = 0;
    if (!parseScaled(text, n, m_rule.rounding == Rounding::Nearest, count)) {
        fallBackToRule();
        return false;
    }
    const qint64 lo = roundPosition(m_rule.min * std::pow(10.0, m_rule.decimals), Rounding::Nearest);
    const qint64 hi = roundPosition(m_rule.max * std::pow(10.0, m_rule.decimals), Rounding::Nearest);
    // Compared as typed: "999,96" is above 999,9 even where it would round to it.
    const bool above = compareScaled(text, hi, n) > 0;
    const bool below = compareScaled(text, lo, n) < 0;
    if (above)
        count = hi;
    else if (below)
        count = lo;
    const qint64 step = exactStep();
    qint64 position = count / step;
    if (count % step > 0)
        ++position;
    m_bar->setValue(int(position));
    m_edit->setText(positionText());
    if ((above || below) && warn && !QuietRanges::active()) {
        Prompts::instance().message(QStringLiteral("Můžete zadat pouze hodnoty od ") +
                                        formatScaled(lo, n) + QStringLiteral(" do ") +
                                        formatScaled(hi, n),
                                    QStringLiteral("Varování"), PromptIcon::Warning);
        m_edit->selectAll();
        m_edit->setFocus();
    }
    for (auto &f : m_accepted)
        f();
    m_host.setInvalidInput(false);
    return true;
}

int TNumericField::places() const
{
    return m_rule.computedPlaces ? m_rule.computedPlaces() : m_rule.decimals;
}

qint64 TNumericField::exactStep() const
{
    return std::max<qint64>(1, roundPosition(std::pow(10.0, m_rule.decimals) / m_rule.scale,
                                             Rounding::Nearest));
}

QString TNumericField::positionText() const
{
    if (m_rule.exact)
        return formatScaled(qint64(m_bar->value()) * exactStep(), places());
    if (m_rule.scale == 1 && m_rule.decimals == 0)
        return QString::number(m_bar->value());
    return formatFixed(m_bar->value() / m_rule.scale, m_rule.decimals);
}

void TNumericField::fallBack(const QString &text, int position)
{
    // The fallback is clamped as typed text is: an empty "Žádaná korekce" must not write 0
    // below a lower limit of 5,0, nor a lower limit land above its upper one.
    int target = position;
    const double value = position / m_rule.scale;
    const auto [lo, hi] = limits();
    const double clamped = clampToRange(nullptr, value, lo, hi, m_rule.decimals, false);
    if (clamped != value)
        target = roundPosition(clamped * m_rule.scale, m_rule.rounding);
    target = std::clamp(target, m_bar->minimum(), m_bar->maximum());
    {
        // The bar takes its position without rewriting the edit: the fallback's own text
        // stays where it is the text of that position.
        const QSignalBlocker block(m_bar);
        m_bar->setValue(target);
    }
    m_edit->setText(target == position ? text : positionText());
    m_edit->selectAll();
    m_edit->setFocus();
    // A fallback is a change like any other: the marker, and the rules that hang on the
    // field (the limits around an output range), which may move this field again.
    m_host.markChanged(true);
    for (auto &f : m_accepted)
        f();
    Prompts::instance().beep();
    m_host.setInvalidInput(true);
}

void TNumericField::barChanged()
{
    // showScrollBarValue with divisor = scale, done on the field's own edit.
    if (m_editFollowsBar)
        m_edit->setText(positionText());
    m_host.markChanged(true);
    if (m_rule.exitOnBarChange)
        runExit();
}

void TNumericField::runExit()
{
    if (m_inExit)
        return;
    m_inExit = true;
    m_host.fieldExit(*this);
    m_inExit = false;
}

bool TNumericField::intMaskEditKeyPress(QChar key) const
{
    return key.isDigit() && key.unicode() < 128;
}

bool TNumericField::floatMaskEditKeyPress(QChar key) const
{
    return intMaskEditKeyPress(key) || key == QLatin1Char(',') || key == QLatin1Char('-');
}

bool TNumericField::floatPlMaskEditKeyPress(QChar key) const
{
    return intMaskEditKeyPress(key) || key == QLatin1Char(',');
}

bool TNumericField::keyAccepted(QChar key) const
{
    switch (m_rule.kind) {
    case FieldKind::Whole:
        return intMaskEditKeyPress(key) || (m_rule.minusKey && key == QLatin1Char('-'));
    case FieldKind::SignedDecimal:
        return floatMaskEditKeyPress(key);
    case FieldKind::UnsignedDecimal:
        return floatPlMaskEditKeyPress(key);
    }
    return false;
}

bool TNumericField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        m_host.fieldEdited(*this);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            runExit();
            m_edit->selectAll();
            m_edit->setFocus();
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            // A paste could bring anything; the exit handler checks it anyway, but keep the
            // field to what can be typed.
            Prompts::instance().beep();
            return true;
        }
        const QString text = key->text();
        if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false; // navigation, Backspace, Delete, shortcuts
        const QChar c = text.at(0);
        // Tab, Backspace, Delete, Escape: no characters typed into the field (Tab leaves it).
        if (!c.isPrint())
            return false;
        if (!keyAccepted(c)) {
            Prompts::instance().beep();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        auto *focus = static_cast<QFocusEvent *>(event);
        // A box the exit handler opens takes the focus too, and switching to another
        // window keeps the focus in the field: neither leaves the field.
        if (focus->reason() != Qt::PopupFocusReason &&
            focus->reason() != Qt::ActiveWindowFocusReason && !m_inExit)
            runExit();
    }
    return QObject::eventFilter(watched, event);
}
