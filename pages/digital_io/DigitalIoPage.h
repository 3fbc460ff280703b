#pragma once

// What the E-HN2, E-HB2 and E-HB5/HN9 pages share: classic pages without a live window, one
// settings block from 0x2000 with the customer text at 0x2001, the communication-failure time
// at 0x2006 and an address/baud register; rows of output check boxes and of input edge groups
// whose hints follow their state; and the rules of the fields the pages and their test windows
// have in common.

#include "pages/framework/Fields.h"
#include "pages/framework/OutputTest.h"
#include "pages/framework/TComponentForm.h"

#include <QStringList>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace digitalio {

// Communication-failure time: seconds in steps of 2 ms (register 1..65535); an odd number of
// milliseconds is raised by one.
Rule failureTimeRule();
// Steps per period, 1..255.
Rule stepsRule();
// Step time in units of 40 us, shown in milliseconds with two decimals; hundredths that are
// no multiple of 4 are raised to the next one.
Rule stepTimeRule();
// "1200" ... "19200".
const QStringList &baudItems();

// The register 0x2018 / 0x2009 of a test state from test.ini: (address << 8) | baud index,
// the address limited to 1..254, the index to at most 4.
quint16 testAddressRegister(const TTestFile &file, const QString &addressKey,
                            const QString &speedKey);
// The restore of that register: both bytes as test.ini holds them.
quint16 keptAddressRegister(const TTestFile &file, const QString &addressKey,
                            const QString &speedKey);
// test.ini entries key.arg(i) = bit i of bits, i = 0..count-1.
void addBitEntries(std::vector<TestEntry> &entries, const QString &keyPattern, quint8 bits,
                   int count);

} // namespace digitalio

class TDigitalIoPage : public TComponentForm
{
    Q_OBJECT
public:
    QLineEdit *textEdit() const { return m_text; }
    TNumericField *failureTime() const { return m_ter; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *speedList() const { return m_speed; }

protected:
    // prefix "c3"; models without padding ("E-HN2", "E HN2").
    TDigitalIoPage(const QString &prefix, const QString &caption, const QStringList &models,
                   QWidget *parent);

    // The rows of the basic group, each named <prefix>Zd... / <prefix>Sk...
    QLineEdit &customerText(QGroupBox &group, const QString &labelHint = QString());
    TNumericField &failureTimeField(QGroupBox &group);
    QComboBox &addressField(QGroupBox &group, const QString &labelHint = QString());
    QComboBox &speedField(QGroupBox &group, const QString &hint);
    // The basic group of the modules with inputs (E-HB2, E-HB5/HN9): text, baud rate,
    // address, communication-failure time.
    QGroupBox &inputModuleBasics();
    // A button row at the end of the group.
    QPushButton &groupButton(QGroupBox &group, const QString &name, const QString &caption);
    // A group box inside another one, at (row, column) of its grid.
    QGroupBox &subGroup(QGroupBox &outer, const QString &name, const QString &title, int row,
                        int column);

    // count check boxes <prefix>Eout<i>CheckBox (state on a communication failure) or
    // <prefix>Rout<i>CheckBox (quiet state), "DO.i", each followed by "ON/OFF", perRow of
    // them a row; their hints say their state.
    std::vector<QWidget *> faultBoxes(QGroupBox &group, int count, int perRow = 1);
    std::vector<QWidget *> negationBoxes(QGroupBox &group, int count, int perRow = 1);
    // count edge groups <prefix>Hdi<i>RadioGroup "DI.i" in `columns` columns.
    std::vector<QWidget *> edgeGroups(QGroupBox &group, int count, int columns);
    // A change of a fault (state on a communication failure) or negation (quiet state) box,
    // or of an edge group: its hint, and the page changed.
    void faultBoxClick(QObject *sender);
    void negationBoxClick(QObject *sender);
    void edgeGroupClick(QObject *sender);

    // Places widgets row by row in `columns` columns of the group's grid.
    static void arrange(QGroupBox &group, const std::vector<QWidget *> &widgets, int columns);

    const QString m_prefix;
    QLineEdit *m_text = nullptr;
    TNumericField *m_ter = nullptr;
    QComboBox *m_address = nullptr;
    QComboBox *m_speed = nullptr;

private:
    std::vector<QWidget *> outputBoxes(QGroupBox &group, const QString &stem, int count,
                                       const QString &offHint,
                                       void (TDigitalIoPage::*changed)(QObject *), int perRow);
};
