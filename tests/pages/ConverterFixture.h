#pragma once

// Device pages against their simulated devices on a pty: a test shell that opens the
// simulator, scripted prompts, a virtual clock and a private working directory.

#include "link/TSerial.h"
#include "pages/converters/TcForm1.h"
#include "pages/converters/TcForm4.h"
#include "pages/framework/Fields.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"
#include "sim/Sim.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestShell.h"
#include "tests/support/WorkingDir.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Everything one test needs; a fresh one per test function.
struct ConverterRig : DeviceRig {
    TestClock clock;

    // Function-16 frames the device received.
    int writes() const { return frames(16); }
    QVector<quint16> block() const { return device->values(sim::Table::Holding, 0x2001, 15); }
};

// A model whose device stores the register `sloppy` differently from what was written; its
// settings block (first, count) and measured value as the model has them.
template <typename Alter>
std::shared_ptr<sim::Device> alteringDevice(const QString &model, int sloppy, Alter alter,
                                            int first = 0x2001, int count = 15)
{
    class Altering : public sim::Device
    {
    public:
        Altering(const QString &name, int address, Alter a)
            : sim::Device(name), m_address(address), m_alter(a)
        {
        }

    protected:
        void onWriteHolding(int address, quint16 value) override
        {
            put(sim::Table::Holding, address, address == m_address ? m_alter(value) : value);
        }

    private:
        int m_address;
        Alter m_alter;
    };
    auto factory = sim::createModel(model);
    auto d = std::make_shared<Altering>(model, sloppy, alter);
    d->setIdentification(sim::kClassicIdentification,
                         factory->identification(sim::kClassicIdentification));
    d->setFirmwareNumber(111);
    d->setValues(sim::Table::Holding, first, factory->values(sim::Table::Holding, first, count));
    d->setHolding(0x0000, 0);
    return d;
}

// Types into a numeric field and leaves it with Enter, as a user would.
inline void typeInto(TNumericField *field, const QString &text)
{
    field->edit()->setText(text);
    QTest::keyClick(field->edit(), Qt::Key_Return);
}

// A user's choice in a list.
inline void choose(QComboBox *list, int item)
{
    list->setCurrentIndex(item);
    emit list->activated(item);
}

inline QLabel *labelNamed(QWidget *page, const QString &name)
{
    return page->findChild<QLabel *>(name);
}

inline bool isRed(QLabel *label)
{
    return label && label->styleSheet().contains(QStringLiteral("red"));
}
