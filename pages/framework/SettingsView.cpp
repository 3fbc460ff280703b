#include "pages/framework/SettingsView.h"

#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QString kSeparator = QStringLiteral(" › ");

// A caption as it appears: "&&" is an ampersand, a single "&" marks the shortcut letter.
QString asShown(const QString &text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out.simplified();
}

// The control's name without its kind: "c1ZdOffScrollBar" -> "c1ZdOff"; the caption label
// is the stem + "Label", the unit label the stem + "ULabel".
QString stemOf(const QString &name)
{
    static const char *const suffixes[] = {"MaskEdit", "ComboBoxEx", "ComboBox", "Edit",
                                           "CheckBox", "RadioGroup", "ScrollBar"};
    for (const char *s : suffixes) {
        const QString suffix = QString::fromLatin1(s);
        if (name.endsWith(suffix))
            return name.left(name.size() - suffix.size());
    }
    return name;
}

// A label of the page itself (live and test windows have their own of the same names).
QLabel *pageLabel(const TComponentForm &page, const QString &name)
{
    for (QLabel *label : page.findChildren<QLabel *>(name))
        if (label->window() == &page)
            return label;
    return nullptr;
}

QString groupOf(const QWidget *control, const TComponentForm &page)
{
    QStringList titles;
    for (const QWidget *w = control->parentWidget(); w && w != &page; w = w->parentWidget())
        if (auto *box = qobject_cast<const QGroupBox *>(w))
            if (!box->title().isEmpty())
                titles.prepend(asShown(box->title()));
    return titles.join(kSeparator);
}

// A radio group without a title and with one named item stands for a check box of that
// name (a flag the page keeps but never shows as a list).
QString flagOf(const TRadioGroup *radio)
{
    if (!radio || !radio->title().isEmpty() || radio->count() != 2 ||
        !radio->itemText(0).isEmpty() || radio->itemText(1).isEmpty())
        return QString();
    return asShown(radio->itemText(1));
}

QString captionOf(const QWidget *control, const TComponentForm &page)
{
    if (auto *radio = qobject_cast<const TRadioGroup *>(control))
        return radio->title().isEmpty() ? flagOf(radio) : asShown(radio->title());
    QLabel *label = page.labelOf(control);
    if (!label)
        if (auto *bar = qobject_cast<const QScrollBar *>(control))
            label = page.labelOf(findMaskEditOf(const_cast<QScrollBar *>(bar)));
    if (!label)
        label = pageLabel(page, stemOf(control->objectName()) + QStringLiteral("Label"));
    if (label && !label->text().isEmpty()) {
        // A label that shows the value as well ("Min = 45") names the setting by its start.
        const QString text = asShown(label->text());
        const int equals = text.indexOf(QStringLiteral(" = "));
        return equals > 0 ? text.left(equals) : text;
    }
    if (auto *check = qobject_cast<const QCheckBox *>(control))
        return asShown(check->text());
    return control->objectName();
}

void fillValue(Setting &s)
{
    static const QString none = QStringLiteral("(nevybráno)");
    const QWidget *c = s.control;
    if (auto *edit = qobject_cast<const QLineEdit *>(c)) {
        s.value = edit->text();
        s.stored = s.value;
        return;
    }
    s.stored = QString::number(ControlTable::integerValue(c));
    if (auto *bar = qobject_cast<const QScrollBar *>(c)) {
        const QLineEdit *edit = findMaskEditOf(const_cast<QScrollBar *>(bar));
        s.value = edit ? edit->text() : QString::number(bar->value());
    } else if (auto *combo = qobject_cast<const QComboBox *>(c)) {
        const int i = combo->currentIndex();
        if (i < 0) {
            s.value = none;
        } else if (combo->itemText(i).isEmpty() && !combo->itemIcon(i).isNull()) {
            s.picture = i;
            s.value = QStringLiteral("symbol %1").arg(i);
        } else {
            s.value = combo->itemText(i);
        }
    } else if (auto *check = qobject_cast<const QCheckBox *>(c)) {
        s.value = check->isChecked() ? QStringLiteral("ano") : QStringLiteral("ne");
    } else if (auto *radio = qobject_cast<const TRadioGroup *>(c)) {
        const int i = radio->itemIndex();
        if (!flagOf(radio).isEmpty())
            s.value = i == 1 ? QStringLiteral("ano") : QStringLiteral("ne");
        else
            s.value = i < 0 ? none : asShown(radio->itemText(i));
    }
}

} // namespace

QString Setting::name() const
{
    return group.isEmpty() ? caption : group + kSeparator + caption;
}

QString Setting::shown() const
{
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

std::vector<Setting> settingsOf(const TComponentForm &page)
{
    std::vector<Setting> out;
    for (const componentStruct &entry : page.controlTable().entries()) {
        const QWidget *control = entry.control;
        Setting s;
        s.control = control;
        s.kind = controlKindOf(control);
        if (s.kind == ControlKind::None)
            continue; // not saved
        s.key = page.keyOf(control);
        s.group = groupOf(control, page);
        s.caption = captionOf(control, page);
        fillValue(s);
        if (QLabel *unit = pageLabel(page, stemOf(control->objectName()) + QStringLiteral("ULabel")))
            if (unit->isVisibleTo(&page))
                s.unit = asShown(unit->text());
        out.push_back(s);
    }
    return out;
}

std::vector<SettingChange> changedSettings(const std::vector<Setting> &before,
                                           const std::vector<Setting> &after)
{
    std::vector<SettingChange> out;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const Setting &b = before[i];
        const Setting &a = after[i];
        if (b.stored != a.stored || b.shown() != a.shown())
            out.push_back({b, a});
    }
    return out;
}

QString customerTextOf(const TComponentForm &page)
{
    for (const Setting &s : settingsOf(page))
        if (s.kind == ControlKind::Edit && s.key.contains(QStringLiteral("ZdTextEdit"),
                                                          Qt::CaseInsensitive))
            return s.value;
    return QString();
}
