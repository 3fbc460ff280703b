#pragma once

// The page's declarations: what a page's constructor builds through group(), numeric(),
// combo(), block(), saved() ... and how it is laid out. Holds the body (groups above the
// columns, the columns, the row of "Načíst data" and "Uložit data"), the numeric fields and
// the lists and radio groups a write requires a selection of (validateSelections).

#include "pages/framework/Fields.h"
#include "pages/framework/RegisterImage.h"

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QObject;
class QVBoxLayout;
class QWidget;
class TComponentForm;

class PageDeclarations
{
public:
    // Builds the page's central widget: the body over the (empty) action row.
    explicit PageDeclarations(TComponentForm &page);

    QWidget *central() const { return m_central; }
    QHBoxLayout *actions() const { return m_actions; }
    QVBoxLayout *columnLayout(int column);

    // The declarations as TComponentForm documents them.
    QGroupBox &group(const QString &title, int column, const QString &name);
    TNumericField &numeric(QGroupBox &group, const QString &prefix, const QString &caption,
                           Rule rule, const QString &unit, const QString &hint,
                           const QString &labelHint);
    QComboBox &combo(QGroupBox &group, const QString &name, const QString &caption,
                     const QStringList &items, const QString &unit, const QString &hint,
                     const QString &labelHint);
    QComboBox &codedCombo(QGroupBox &group, const QString &name, const QString &caption,
                          const CodeTable &table, const QString &unit, const QString &hint,
                          const QString &labelHint);
    QComboBox &addressCombo(QGroupBox &group, const QString &name, const QString &caption,
                            const QString &hint, const QString &labelHint);
    QLineEdit &textField(QGroupBox &group, const QString &name, const QString &caption,
                         int maxChars, const QString &hint, const QString &labelHint);
    QLineEdit &customerText(QGroupBox &group, const QString &name);
    QComboBox &baudList(QGroupBox &group, const QString &name, const QStringList &items,
                        const QString &hint, const QString &labelHint);
    QComboBox &networkAddress(QGroupBox &group, const QString &name, const QString &labelHint);
    QCheckBox &checkBox(QGroupBox &group, const QString &name, const QString &caption,
                        const QString &hint);
    TRadioGroup &radioGroup(QGroupBox &group, const QString &name, const QString &caption,
                            const QStringList &items, const QString &hint, int columns);
    void required(QComboBox &combo, QWidget *marker);
    void requiredUnmarked(QComboBox &combo);
    void required(TRadioGroup &group);
    void saved(std::initializer_list<QWidget *> controls);
    void registerControl(QWidget *control, double defaultValue, int loadPass);
    void savedBooleans(std::initializer_list<QWidget *> controls);
    RegisterBlock &block(int start, int count);
    void alignColumns(int clientWidth);
    void besideEachOther(QWidget &left, QWidget &right);
    void actionsUnderColumn(int column);
    void orderTabs();

    // True when every required list and radio group has a selection; marks the others red.
    bool validateSelections();
    void clearInvalidMarks();
    // The numeric field whose edit or bar (or which itself) is sender.
    TNumericField *fieldOf(QObject *sender) const;
    static QLabel *labelOf(const QWidget *control);
    static const QStringList &baudRates();

private:
    void addRow(QGroupBox &group, QLabel *label, QWidget *value, QWidget *extra, QLabel *unit);
    QLabel *makeLabel(QGroupBox &group, const QString &controlName, const QString &caption,
                      const QString &hint);

    TComponentForm &m_page;
    std::vector<std::unique_ptr<TNumericField>> m_fields;
    struct Required {
        QComboBox *combo;
        QWidget *marker;
    };
    std::vector<Required> m_required;
    std::vector<TRadioGroup *> m_requiredGroups;

    QWidget *m_central = nullptr;
    QWidget *m_body = nullptr;
    QVBoxLayout *m_across = nullptr; // groups above the columns, across all of them
    QHBoxLayout *m_columns = nullptr;
    std::vector<QVBoxLayout *> m_columnLayouts;
    QHBoxLayout *m_actions = nullptr;
};
