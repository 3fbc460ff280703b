// The controls beside the numeric field (Fields.h): the radio group, the page's scroll
// bars and their pairing with mask edits, customer text in registers, bit fields and lists
// mapped through code tables.

#include "pages/framework/Fields.h"

#include "pages/framework/NumberText.h"
#include "platform/CodePage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

// --- TRadioGroup ---

TRadioGroup::TRadioGroup(const QString &title, const QStringList &items, QWidget *parent,
                         int columns)
    : QGroupBox(title, parent), m_buttons(new QButtonGroup(this))
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setVerticalSpacing(2);
    layout->setHorizontalSpacing(12);
    for (int i = 0; i < items.size(); ++i)
        m_buttons->addButton(new QRadioButton(items[i], this), i);
    setColumns(columns);
    connect(m_buttons, &QButtonGroup::idClicked, this, &TRadioGroup::clicked);
}

void TRadioGroup::setColumns(int columns)
{
    auto *grid = static_cast<QGridLayout *>(layout());
    const int n = count();
    const int perColumn = std::max(1, (n + std::max(columns, 1) - 1) / std::max(columns, 1));
    for (int i = 0; i < n; ++i) {
        QAbstractButton *b = m_buttons->button(i);
        grid->removeWidget(b);
        grid->addWidget(b, i % perColumn, i / perColumn);
    }
}

QString TRadioGroup::itemText(int index) const
{
    const QAbstractButton *b = m_buttons->button(index);
    return b ? b->text() : QString();
}

int TRadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

int TRadioGroup::count() const
{
    return static_cast<int>(m_buttons->buttons().size());
}

void TRadioGroup::setItemIndex(int index)
{
    if (index == itemIndex())
        return;
    if (index < 0 || index >= count()) {
        m_buttons->setExclusive(false);
        for (auto *b : m_buttons->buttons())
            b->setChecked(false);
        m_buttons->setExclusive(true);
    } else {
        m_buttons->button(index)->setChecked(true);
    }
    emit clicked(itemIndex());
}

// --- pairing, text registers, combo mapping ---

QScrollBar *newScrollBar(QWidget *parent)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setInvertedControls(false);
    return bar;
}

static QWidget *searchRoot(QWidget *w)
{
    return w ? w->window() : nullptr;
}

QScrollBar *findScrollBarOf(QLineEdit *maskEdit)
{
    if (!maskEdit || !maskEdit->objectName().endsWith(QStringLiteral("MaskEdit")))
        return nullptr;
    QString prefix = maskEdit->objectName();
    prefix.chop(8);
    QWidget *root = searchRoot(maskEdit);
    return root ? root->findChild<QScrollBar *>(prefix + QStringLiteral("ScrollBar")) : nullptr;
}

QLineEdit *findMaskEditOf(QScrollBar *scrollBar)
{
    if (!scrollBar || !scrollBar->objectName().endsWith(QStringLiteral("ScrollBar")))
        return nullptr;
    QString prefix = scrollBar->objectName();
    prefix.chop(9);
    QWidget *root = searchRoot(scrollBar);
    return root ? root->findChild<QLineEdit *>(prefix + QStringLiteral("MaskEdit")) : nullptr;
}

void showScrollBarValue(QScrollBar *scrollBar, int divisor, int decimals, double factor)
{
    QLineEdit *edit = findMaskEditOf(scrollBar);
    if (!edit)
        return;
    const double t = scrollBar->value() * factor;
    if (divisor == 1)
        edit->setText(QString::number(static_cast<qint64>(t)));
    else
        edit->setText(formatFixed(t / divisor, decimals));
    if (auto *host = dynamic_cast<FieldHost *>(scrollBar->window()))
        host->markChanged(true);
}

std::vector<quint16> textToRegisters(const QString &text, int count)
{
    QByteArray bytes = toWindows1250(text).left(count);
    while (bytes.size() < count)
        bytes.append('\0');
    std::vector<quint16> registers;
    for (int i = 0; i + 1 < count; i += 2)
        registers.push_back(static_cast<quint16>(static_cast<quint8>(bytes[i]) * 256 +
                                                 static_cast<quint8>(bytes[i + 1])));
    return registers;
}

QString registersToText(const std::vector<quint16> &registers, int count)
{
    QByteArray bytes(count, ' ');
    for (int i = 0, r = 0; i + 1 < count && r < static_cast<int>(registers.size()); i += 2, ++r) {
        bytes[i] = static_cast<char>(registers[r] >> 8);
        bytes[i + 1] = static_cast<char>(registers[r] & 0xFF);
    }
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return fromWindows1250(bytes);
}

bool bitValue(const QWidget *control)
{
    if (auto *check = qobject_cast<const QCheckBox *>(control))
        return check->isChecked();
    if (auto *radio = qobject_cast<const TRadioGroup *>(control))
        return radio->itemIndex() == 1;
    return false;
}

void setBitValue(QWidget *control, bool on)
{
    if (auto *check = qobject_cast<QCheckBox *>(control))
        check->setChecked(on);
    else if (auto *radio = qobject_cast<TRadioGroup *>(control))
        radio->setItemIndex(on ? 1 : 0);
}

quint8 bitsOf(const std::vector<QWidget *> &controls)
{
    quint8 bits = 0;
    for (size_t i = 0; i < controls.size() && i < 8; ++i)
        if (bitValue(controls[i]))
            bits = static_cast<quint8>(bits | (1u << i));
    return bits;
}

void setBitsOf(const std::vector<QWidget *> &controls, quint8 bits)
{
    for (size_t i = 0; i < controls.size() && i < 8; ++i)
        setBitValue(controls[i], (bits >> i) & 1u);
}

void setCodeTable(QComboBox *combo, const CodeTable &table)
{
    combo->clear();
    for (const CodeItem &item : table)
        combo->addItem(item.text, item.code);
    combo->setProperty("codeTable", true);
}

bool hasCodeTable(const QComboBox *combo)
{
    return combo->property("codeTable").toBool();
}

void markAddressCombo(QComboBox *combo)
{
    combo->setProperty("addressList", true);
}

bool isAddressCombo(const QComboBox *combo)
{
    return combo->property("addressList").toBool() ||
           combo->objectName().contains(QStringLiteral("SkAdrComboBox"), Qt::CaseInsensitive);
}

int comboIndexFromRegister(const QComboBox *combo, int value)
{
    if (hasCodeTable(combo))
        return combo->findData(value);
    if (isAddressCombo(combo))
        return value >= 1 && value <= 254 && value - 1 < combo->count() ? value - 1 : -1;
    return value >= 0 && value < combo->count() ? value : -1;
}

int registerFromComboIndex(const QComboBox *combo)
{
    if (hasCodeTable(combo))
        return combo->currentIndex() < 0 ? -1 : combo->currentData().toInt();
    return isAddressCombo(combo) ? combo->currentIndex() + 1 : combo->currentIndex();
}
