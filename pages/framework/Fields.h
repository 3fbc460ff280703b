#pragma once

// Field mechanics shared by every device page.
//
// A numeric field is a mask edit (`<prefix>MaskEdit`) paired with a scroll bar
// (`<prefix>ScrollBar`), an optional unit label (`<prefix>ULabel`) and its caption label
// (`<prefix>Label`). The scroll bar's position is the register value; the edit shows it.
// A field is configured once by a Rule:
//
//   Rule::whole(1, 20000)                        // integer, bar 1..20000
//   Rule::signedDecimal(-100, 100)               // one decimal, bar -1000..1000
//   Rule::signedDecimal(-100, 400).truncate()    // classic pages: position truncated
//   Rule::unsignedDecimal(0.002, 65, 3).scaled(500).fallback("0,002", 1)
//   Rule::whole(0, 100).limitsFrom([&] { return std::make_pair(lo.value(), 100.0); })
//   Rule::signedWhole(-32767, 32766)             // integer that may be negative
//
// The field owns its key filter (the three kinds accept digits, Backspace, Enter; decimals
// also ","; signed decimals and signed whole numbers also "-"), its exit handler (run on leaving
// the field, on Enter, by commitPendingEdit and after a scroll-bar change), the range warning of
// clampToRange and the coupling with its scroll bar. Page code only adds dependencies with
// onAccepted().
//
// Limits are in the field's value units (what the user types); the position is
// value x scale, rounded by the rule's rounding (Default: ceiling on newer pages,
// truncation on classic pages). After every accepted entry the edit shows the text of the
// final position, so what is shown is what will be written.

#include <QGroupBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QWidget;
class TNumericField;

enum class FieldKind { Whole, SignedDecimal, UnsignedDecimal };
enum class Rounding { Default, Truncate, Ceiling, Nearest, SingleTruncate };

struct Rule {
    FieldKind kind = FieldKind::Whole;
    int decimals = 0;
    double scale = 1; // position = value x scale
    double min = 0;   // value units
    double max = 0;
    std::function<std::pair<double, double>()> computedLimits; // overrides min/max
    Rounding rounding = Rounding::Default;
    bool hasFallback = false;
    QString fallbackText;
    int fallbackPosition = 0;
    QString warnMinText; // texts of the bounds in the range warning; empty: formatted min/max
    QString warnMaxText;
    std::function<double(double)> quantizer; // applied to a parsed value before the range check
    bool hasBarRange = false;
    int barMin = 0;
    int barMax = 0;
    bool exitOnBarChange = true; // a bar move runs the exit handler (checks, dependencies)
    int maxLength = 0;           // edit length limit; 0: derived from the limits
    bool minusKey = false;       // a whole number that takes "-"
    int pageStep = 10;           // the bar's large step (PageUp, PageDown, a click beside the knob)
    // Exact decimals: the text is read as a count of 10^-places in integer arithmetic
    // ("1,001" is 1001 thousandths, never 1000 from a binary fraction) and bounded by
    // min and max in that count; the position is the count over the step 10^places / scale,
    // a count between two steps going up. Digits beyond the places are rounded when the
    // rounding is Nearest, else cut.
    bool exact = false;
    std::function<int()> computedPlaces; // places that follow other controls; empty: decimals

    static Rule whole(double min, double max);
    static Rule signedWhole(double min, double max);
    static Rule signedDecimal(double min, double max, int decimals = 1);
    static Rule unsignedDecimal(double min, double max, int decimals = 1);
    // A signed decimal without limits of its own: the page's exit handler decides the
    // range (the PWM period or frequency, whose bounds follow the mode). Give it a
    // barRange() and a length().
    static Rule openDecimal(int decimals);

    Rule &places(int n);
    Rule &scaled(double s);
    Rule &truncate()
    {
        rounding = Rounding::Truncate;
        return *this;
    }
    Rule &ceiling()
    {
        rounding = Rounding::Ceiling;
        return *this;
    }
    Rule &nearest()
    {
        rounding = Rounding::Nearest;
        return *this;
    }
    Rule &singleTruncate()
    {
        rounding = Rounding::SingleTruncate;
        return *this;
    }
    Rule &fallback(const QString &text, int position);
    Rule &warnBounds(const QString &minText, const QString &maxText);
    Rule &quantize(std::function<double(double)> q);
    Rule &limitsFrom(std::function<std::pair<double, double>()> f);
    Rule &barRange(int lo, int hi);
    Rule &exactDecimals()
    {
        exact = true;
        return *this;
    }
    // Exact decimals whose places (shown, typed and bounding) other controls decide; the
    // bounds stay the same counts.
    Rule &placesFrom(std::function<int()> f)
    {
        exact = true;
        computedPlaces = std::move(f);
        return *this;
    }
    Rule &barOnlyShows()
    {
        exitOnBarChange = false;
        return *this;
    }
    Rule &length(int n)
    {
        maxLength = n;
        return *this;
    }
    Rule &largeStep(int n)
    {
        pageStep = n;
        return *this;
    }
};

// Position = value x scale by the given rounding. The product is taken in double precision
// with a tolerance of 1e-9, so 0,1 gives 1 and 1,1 gives 11 (not 12) under ceiling.
int roundPosition(double product, Rounding rounding);

// What a field needs from its page (TComponentForm implements it).
class FieldHost
{
public:
    virtual ~FieldHost() = default;
    virtual void fieldEdited(TNumericField &field) = 0; // the last edited field
    virtual void fieldExit(TNumericField &field) = 0;   // the exit handler of its kind
    virtual void setInvalidInput(bool invalid) = 0;
    virtual void markChanged(bool changed) = 0;
};

// clampToRange of the page shell: brings value into [min, max]; when a limit applies the
// edit shows it in fixed-point and, with warn, the range warning
// "Můžete zadat pouze hodnoty od <min> do <max>" (caption "Varování") is shown and the edit
// takes the focus with its text selected. Returns the value in range.
double clampToRange(QLineEdit *edit, double value, double min, double max, int decimals, bool warn,
                    const QString &minText = QString(), const QString &maxText = QString());

// While one exists (user-interface thread), clampToRange brings values into range without
// the warning: values the program itself puts into the controls (a device read, the
// restore of the page after a failed one) are no entries of the user.
class QuietRanges
{
public:
    QuietRanges();
    ~QuietRanges();
    QuietRanges(const QuietRanges &) = delete;
    QuietRanges &operator=(const QuietRanges &) = delete;
    static bool active();
};

class TNumericField : public QObject
{
    Q_OBJECT
public:
    // Creates the edit, scroll bar and unit label (unit may be empty) as children of
    // `parent`, named after `prefix`.
    TNumericField(FieldHost &host, const QString &prefix, const Rule &rule, const QString &unit,
                  QWidget *parent);

    QLineEdit *edit() const { return m_edit; }
    QScrollBar *bar() const { return m_bar; }
    QLabel *unitLabel() const { return m_unit; }
    const QString &prefix() const { return m_prefix; }
    const Rule &rule() const { return m_rule; }
    FieldKind kind() const { return m_rule.kind; }

    int position() const;
    // Position / scale: the accepted value.
    double value() const;
    // Sets the bar as the program does (its change handler runs as for a user's move).
    void setPosition(int position);
    // Sets value x scale by the field's rounding.
    void setValue(double value);
    // Current limits (computed ones included), in value units.
    std::pair<double, double> limits() const;
    // A register value into the bar, brought silently into the bar's range.
    void decode(int registerValue);

    // Dependencies run after each accepted value (exit handler step 7).
    void onAccepted(std::function<void()> f) { m_accepted.push_back(std::move(f)); }

    // The standard exit handler; the page's intPlusMaskEditExit / flMinusMaskEditExit /
    // flPlusMaskEditExit call it. Returns false for text that is not a number.
    bool acceptText(bool warn = true);
    // Text that is not a number: the bar takes `position`, brought into the field's limits
    // (computed ones included) and the bar's range as typed text would be, and the edit shows
    // `text`, or the text of the position taken when that differs; the page is marked changed
    // and the field's dependencies run as for any change; then a beep and the invalid-input
    // flag. acceptText uses the rule's fallback.
    void fallBack(const QString &text, int position);
    // Whether a bar move rewrites the edit (a disabled field that keeps its text: off).
    void setEditFollowsBar(bool on) { m_editFollowsBar = on; }
    // The text of the bar's position in the field's format.
    QString positionText() const;
    // Decimals shown and typed (computed ones included).
    int places() const;
    // Puts the bar position into the edit (divisor = scale, rule's decimals) and marks the
    // page changed, then runs the exit handler unless the rule says barOnlyShows().
    void barChanged();
    // Key filters of the three kinds; true when the key goes to the field.
    bool intMaskEditKeyPress(QChar key) const;
    bool floatMaskEditKeyPress(QChar key) const;
    bool floatPlMaskEditKeyPress(QChar key) const;
    // The filter of the field's own kind (a signed whole number also takes "-").
    bool keyAccepted(QChar key) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runExit();
    bool acceptExact(bool warn);
    qint64 exactStep() const;
    void fallBackToRule();

    FieldHost &m_host;
    QString m_prefix;
    Rule m_rule;
    QLineEdit *m_edit;
    QScrollBar *m_bar;
    QLabel *m_unit = nullptr;
    std::vector<std::function<void()>> m_accepted;
    bool m_inExit = false;
    bool m_editFollowsBar = true;
};

// A radio group: value is the item index (-1 for none). With several columns the items fill
// the first column top down, then the next.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    TRadioGroup(const QString &title, const QStringList &items, QWidget *parent = nullptr,
                int columns = 1);
    int itemIndex() const;
    void setItemIndex(int index); // emits clicked(index) when it changes
    int count() const;
    QString itemText(int index) const; // empty for no item
    // The items in `columns` columns, filled top to bottom (one column at first).
    void setColumns(int columns);

signals:
    void clicked(int index);

private:
    QButtonGroup *m_buttons;
};

// A horizontal scroll bar whose keys go the way its value does: Right and Up raise it, Left
// and Down lower it, PageUp and PageDown by the large step (Qt's scroll bars invert their
// keys for scrolling documents). Every scroll bar of the pages and their windows is one.
QScrollBar *newScrollBar(QWidget *parent);

// Paired controls by name: <prefix>MaskEdit <-> <prefix>ScrollBar, searched among the
// page's children.
QScrollBar *findScrollBarOf(QLineEdit *maskEdit);
QLineEdit *findMaskEditOf(QScrollBar *scrollBar);

// showScrollBarValue: t = position x factor; the paired edit shows t as an integer when
// divisor is 1, else t / divisor with `decimals` decimals; the page (the bar's window, when
// it is a FieldHost) is marked changed.
void showScrollBarValue(QScrollBar *scrollBar, int divisor, int decimals, double factor);

// Customer text: count characters of windows-1250 in count/2 registers, first character
// of each pair in the high byte, padded with code 0. "AB" (count 4) -> 0x4142, 0x0000.
std::vector<quint16> textToRegisters(const QString &text, int count);
// The characters before the first code 0 (all count if none).
QString registersToText(const std::vector<quint16> &registers, int count);

// Bit fields: bit i of a byte is control i, a check box (checked) or a radio group (item 1).
bool bitValue(const QWidget *control);
void setBitValue(QWidget *control, bool on);
quint8 bitsOf(const std::vector<QWidget *> &controls);
void setBitsOf(const std::vector<QWidget *> &controls, quint8 bits);

// Lists mapped through a code table: item i holds code i of the table (item data). A
// register code not in the table leaves no selection; registerFromComboIndex gives the
// selected item's code (-1 without a selection).
struct CodeItem {
    QString text;
    int code;
};
using CodeTable = std::vector<CodeItem>;
void setCodeTable(QComboBox *combo, const CodeTable &table);
bool hasCodeTable(const QComboBox *combo);

// A combo box marked as the network-address list (items "1".."254"; the register holds
// address = index + 1). addressCombo() of the page marks its list; names containing
// "SkAdrComboBox" count as address lists too.
void markAddressCombo(QComboBox *combo);
bool isAddressCombo(const QComboBox *combo);
int comboIndexFromRegister(const QComboBox *combo, int value);
int registerFromComboIndex(const QComboBox *combo);
