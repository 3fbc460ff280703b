#include "pages/framework/ControlTable.h"

#include "pages/framework/Fields.h"
#include "pages/framework/NumberText.h"
#include "platform/Profile.h"
#include "platform/TextError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

ControlKind controlKindOf(const QWidget *control)
{
    if (!control)
        return ControlKind::None;
    const QString name = control->objectName();
    if (name.contains(QStringLiteral("Edit")))
        return ControlKind::Edit;
    if (name.contains(QStringLiteral("ScrollBar")))
        return ControlKind::ScrollBar;
    if (name.contains(QStringLiteral("ComboBox")))
        return ControlKind::ComboBox;
    if (name.contains(QStringLiteral("RadioGroup")))
        return ControlKind::RadioGroup;
    if (name.contains(QStringLiteral("CheckBox")))
        return ControlKind::CheckBox;
    return ControlKind::None;
}

void ControlTable::registerControl(QWidget *control, double defaultValue, int loadPass)
{
    m_entries.push_back({control, defaultValue, loadPass});
}

void ControlTable::registerBoolean(QWidget *control, bool defaultValue, int loadPass)
{
    m_entries.push_back({control, defaultValue ? 1.0 : 0.0, loadPass, true});
}

std::vector<const componentStruct *> ControlTable::loadOrder() const
{
    std::vector<const componentStruct *> order;
    for (const auto &e : m_entries)
        order.push_back(&e);
    std::stable_sort(order.begin(), order.end(),
                     [](const componentStruct *a, const componentStruct *b) {
                         return a->loadPass < b->loadPass;
                     });
    return order;
}

bool ControlTable::contains(const QWidget *control) const
{
    for (const auto &e : m_entries)
        if (e.control == control)
            return true;
    return false;
}

int ControlTable::integerValue(const QWidget *control)
{
    if (auto *bar = qobject_cast<const QScrollBar *>(control))
        return bar->value();
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentIndex();
    if (auto *radio = qobject_cast<const TRadioGroup *>(control))
        return radio->itemIndex();
    if (auto *check = qobject_cast<const QCheckBox *>(control))
        return check->isChecked() ? 1 : 0;
    return 0;
}

void ControlTable::setIntegerValue(QWidget *control, int value)
{
    if (auto *bar = qobject_cast<QScrollBar *>(control)) {
        bar->setValue(value); // brought into the bar's range by the bar
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
    } else if (auto *radio = qobject_cast<TRadioGroup *>(control)) {
        radio->setItemIndex(value);
    } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        check->setChecked(value != 0);
    }
}

static int truncated(double v)
{
    return static_cast<int>(std::trunc(v));
}

void ControlTable::resetToDefaults() const
{
    for (const auto &e : m_entries) {
        switch (controlKindOf(e.control)) {
        case ControlKind::Edit:
            if (auto *edit = qobject_cast<QLineEdit *>(e.control))
                edit->setText(formatShortest(e.defaultValue));
            break;
        case ControlKind::CheckBox:
            setIntegerValue(e.control, e.defaultValue != 0 ? 1 : 0);
            break;
        case ControlKind::ScrollBar:
        case ControlKind::ComboBox:
        case ControlKind::RadioGroup:
            setIntegerValue(e.control, truncated(e.defaultValue));
            break;
        case ControlKind::None:
            break;
        }
    }
}

bool ControlTable::save(Profile &profile, const QString &section, const KeyOf &keyOf,
                        bool showHint) const
{
    profile.beginBatch();
    for (const auto &e : m_entries) {
        const QString key = keyOf(e.control);
        if (e.boolean) {
            profile.writeBool(section, key, integerValue(e.control) == 1);
            continue;
        }
        switch (controlKindOf(e.control)) {
        case ControlKind::Edit:
            if (auto *edit = qobject_cast<QLineEdit *>(e.control))
                profile.writeString(section, key, edit->text());
            break;
        case ControlKind::CheckBox:
            profile.writeBool(section, key, integerValue(e.control) != 0);
            break;
        case ControlKind::ScrollBar:
        case ControlKind::ComboBox:
        case ControlKind::RadioGroup:
            profile.writeInteger(section, key, integerValue(e.control));
            break;
        case ControlKind::None:
            break;
        }
    }
    profile.writeBool(section, QStringLiteral("mmShowHint"), showHint);
    return profile.endBatch();
}

void ControlTable::load(const Profile &profile, const QString &section, const KeyOf &keyOf,
                        bool &showHint) const
{
    if (!profile.sectionExists(section))
        throw TextError(QStringLiteral("Neplatný ini soubor"));
    for (const componentStruct *entry : loadOrder()) {
        const componentStruct &e = *entry;
        const QString key = keyOf(e.control);
        if (e.boolean) {
            setIntegerValue(e.control, profile.readBool(section, key, e.defaultValue != 0) ? 1 : 0);
            continue;
        }
        switch (controlKindOf(e.control)) {
        case ControlKind::Edit:
            if (auto *edit = qobject_cast<QLineEdit *>(e.control))
                edit->setText(profile.readString(section, key, QStringLiteral("Text")));
            break;
        case ControlKind::CheckBox:
            setIntegerValue(e.control, profile.readBool(section, key, e.defaultValue != 0));
            break;
        case ControlKind::ScrollBar:
        case ControlKind::ComboBox:
        case ControlKind::RadioGroup:
            setIntegerValue(e.control,
                            profile.readInteger(section, key, truncated(e.defaultValue)));
            break;
        case ControlKind::None:
            break;
        }
    }
    showHint = profile.readBool(section, QStringLiteral("mmShowHint"), true);
}
