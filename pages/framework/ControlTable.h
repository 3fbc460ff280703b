#pragma once

// The saved-control table: one entry per control that configuration files and temp.ini
// hold, in registration order (the order of the keys in the file).
//
//   table.registerControl(c1ZdOffScrollBar, 0);
//   table.save(profile, "cForm1", keyOf, showHint);   // keys by keyOf(control)
//   table.load(profile, "cForm1", keyOf, showHint);   // throws "Neplatný ini soubor"
//
// The kind of a control comes from its objectName(), first match wins: "Edit" (text),
// "ScrollBar" (position), "ComboBox" (item index, -1 none), "RadioGroup" (item index),
// "CheckBox" (bool); anything else is not saved. A radio group registered as a boolean is
// saved as one.

#include <QString>
#include <functional>
#include <vector>

class Profile;
class QWidget;

enum class ControlKind { None, Edit, ScrollBar, ComboBox, RadioGroup, CheckBox };

ControlKind controlKindOf(const QWidget *control);

struct componentStruct {
    QWidget *control = nullptr; // not owned
    double defaultValue = 0;
    // Loading applies the entries pass by pass (registration order within a pass), so a
    // value limited by another control arrives after it; the key order stays as registered.
    int loadPass = 0;
    // A radio group of two items kept as a boolean: true is the second item, and any
    // number but 0 reads as true, as profile files read booleans.
    bool boolean = false;
};

class ControlTable
{
public:
    using KeyOf = std::function<QString(const QWidget *)>;

    void registerControl(QWidget *control, double defaultValue, int loadPass = 0);
    void registerBoolean(QWidget *control, bool defaultValue = false, int loadPass = 0);
    const std::vector<componentStruct> &entries() const { return m_entries; }
    // The entries in the order a load applies them (by pass, then as registered).
    std::vector<const componentStruct *> loadOrder() const;
    bool contains(const QWidget *control) const;

    // Every control takes its default: positions and indexes the default truncated, check
    // boxes default != 0, edits the default as a decimal number ("0" for 0).
    void resetToDefaults() const;

    // Writes every control, then "mmShowHint", in one batch. False when the file could not
    // be written.
    bool save(Profile &profile, const QString &section, const KeyOf &keyOf, bool showHint) const;
    // Reads every control back (missing or bad keys take the entry's default, edits
    // "Text"); then "mmShowHint" (default true) into showHint. Throws TextError
    // "Neplatný ini soubor" before touching a control when the section is missing.
    void load(const Profile &profile, const QString &section, const KeyOf &keyOf,
              bool &showHint) const;

    // Value of a control as saved (position, index, 0/1); edits are not numeric.
    static int integerValue(const QWidget *control);
    // Sets a control as a user would (its change handlers run).
    static void setIntegerValue(QWidget *control, int value);

private:
    std::vector<componentStruct> m_entries;
};
