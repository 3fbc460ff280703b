#pragma once

// A small device page declared for the framework tests, its live window, a test shell that
// opens the simulator's pty, and a generic simulated device with the page's registers.

#include "link/Messages.h"
#include "link/TSerial.h"
#include "pages/framework/NumberText.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"
#include "sim/Sim.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/WorkingDir.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <memory>
#include <stdexcept>

// Registers of the test device: 0x2001..0x200F as the T4yJ converter, 0x2020..0x2021 two
// more settings, 0x0000 the measured temperature.
class TestPage : public TComponentForm
{
public:
    explicit TestPage(bool newer = false)
        : TComponentForm(newer ? PageTraits::newer("cForm20", "Test", {"T4yJ", "T4yJN"})
                               : PageTraits::classic("cForm20", "Test", {"T4yJ", "T4yJN"})
                                     .messagePanelWidth(330),
                         nullptr)
    {
        auto n = [newer](const char *name) {
            const QString s = QString::fromLatin1(name);
            return newer ? s.left(1).toLower() + s.mid(1) : QStringLiteral("c20") + s;
        };
        auto &basic = group(QStringLiteral("Základní nastavení"));
        text = &textField(basic, n("ZdTextEdit"), QStringLiteral("Zákaznické textové pole"), 10,
                          QStringLiteral("Zákaznické textové pole (max. 10 znaků)"));
        sensor =
            &combo(basic, n("ZdIntComboBox"), QStringLiteral("Typ teplotního odporového snímače"),
                   {QStringLiteral("Ni 1000/5000ppm"), QStringLiteral("Ni 1000/6180ppm"),
                    QStringLiteral("Pt 1000/3850ppm")});
        sensor->setEnabled(false);
        off = &numeric(basic, n("ZdOff"), QStringLiteral("Korekční posuv měřené teploty"),
                       Rule::signedDecimal(-100, 100), QStringLiteral("°C"),
                       QStringLiteral("Rozsah -100,0 až 100,0"));
        speed = &combo(basic, n("SkSpdComboBox"), QStringLiteral("Komunikační rychlost"),
                       {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200",
                        "128000", "230400"},
                       QStringLiteral("Bd"));
        addr = &addressCombo(basic, n("SkAdrComboBox"), QStringLiteral("Síťová adresa"),
                             QStringLiteral("Rozsah 1 - 254"));
        required(*speed);
        required(*addr);

        auto &ranges = group(QStringLiteral("Nastavení rozsahů"), 1);
        i1 = &numeric(ranges, n("AuI1"), QStringLiteral("Počáteční hodnota vstupního rozsahu"),
                      Rule::signedDecimal(-100, 400), QStringLiteral("°C"));
        i2 = &numeric(ranges, n("AuI2"), QStringLiteral("Koncová hodnota vstupního rozsahu"),
                      Rule::signedDecimal(-100, 400), QStringLiteral("°C"));
        auto freq = [&](const char *name, const char *caption) {
            return &numeric(ranges, n(name), QString::fromUtf8(caption), Rule::whole(1, 20000),
                            QStringLiteral("Hz"), QStringLiteral("Rozsah 1 - 20 000"));
        };
        o1 = freq("AuO1", "Počáteční hodnota výstupního rozsahu");
        o2 = freq("AuO2", "Koncová hodnota výstupního rozsahu");
        sp = freq("AuSp", "Hodnota výstupu při poruše");
        fl = freq("AuFl", "Spodní omezení výstupní frekvence");
        fh = freq("AuFh", "Horní omezení výstupní frekvence");
        // The limits enclose the output range.
        fl->onAccepted([this] {
            const double lo = std::min(o1->value(), o2->value());
            if (fl->value() > lo)
                fl->setValue(lo);
        });

        auto &extra = group(QStringLiteral("Další"), 1);
        pa = &numeric(extra, n("ExPa"), QStringLiteral("Parametr A"), Rule::whole(0, 100), "%");
        pb = &numeric(extra, n("ExPb"), QStringLiteral("Parametr B"),
                      Rule::unsignedDecimal(0, 50, 1), "s");

        block(0x2001, 15)
            .text(*text, 10)
            .lowByte(*sensor)
            .keptFromDevice()
            .position(*off)
            .bytes(*addr, *speed)
            .positions({i1, i2, o1, o2, sp, fl, fh});
        block(0x2020, 2).positions({pa, pb});

        saved({text, off->bar(), speed, addr, i1->bar(), i2->bar(), o1->bar(), o2->bar(), fl->bar(),
               fh->bar(), sp->bar(), pa->bar()});
        registerControl(pb->bar(), 25);
    }

    TExtraForm *createLiveWindow() override;
    using TComponentForm::writeCoilAction;
    using TComponentForm::writeRegisterAction;
    RegisterBlock &firstBlock() { return blocks().front(); }
    void extraOperation() override { ++extraRuns; }
    void extraOperationWithArgument(quint8 argument) override
    {
        arguments.push_back(argument);
        extraOffUi += QThread::currentThread() != thread();
    }

    QLineEdit *text;
    QComboBox *sensor, *speed, *addr;
    TNumericField *off, *i1, *i2, *o1, *o2, *sp, *fl, *fh, *pa, *pb;
    int extraRuns = 0;
    std::vector<int> arguments;
    int extraOffUi = 0;
};

class TestReader : public TFormThread
{
public:
    using TFormThread::TFormThread;
    qint16 temperature = 0;
    int shows = 0;
    // Write requests of the window: a value for register 0x2020, or a failure.
    std::atomic<int> request{-1};
    std::atomic<bool> failNextWrite{false};
    std::atomic<int> writes{0};
    std::atomic<int> writesOnUi{0};
    // The next showValues throws, as page code that goes wrong would.
    std::atomic<bool> throwOnShow{false};

protected:
    bool readValues() override
    {
        checkIdentification({QStringLiteral("T4yJ"), QStringLiteral("T4yJN")});
        temperature = static_cast<qint16>(readRegisters(0x0000, 1).at(0));
        return true;
    }
    void showValues() override;
    void writeRequests() override
    {
        writesOnUi += QThread::currentThread() == window().thread();
        if (failNextWrite.exchange(false))
            throw PageError(ErrNoReply);
        const int value = request.exchange(-1);
        if (value < 0)
            return;
        transmit().clear();
        transmit().setFunction(16);
        transmit().setStart(0x2020);
        transmit().addValue(static_cast<qint16>(value));
        if (!transmit().buildRequest())
            throw PageError(ErrInternal);
        result = transmit().transact(nullptr);
        if (result.error != 0)
            throw PageError(result.error);
        ++writes;
    }
};

class TestLive : public TExtraForm
{
public:
    explicit TestLive(TComponentForm &page) : TExtraForm(page)
    {
        auto *box = new QGroupBox(QStringLiteral("Měřená teplota modulu"), this);
        auto *row = new QHBoxLayout(box);
        row->addWidget(new QLabel(QStringLiteral("Měřená teplota"), box));
        memo = new QLineEdit(QStringLiteral("0,0"), box);
        memo->setObjectName(QStringLiteral("measureTemperatureMemo"));
        memo->setReadOnly(true);
        row->addWidget(memo);
        row->addWidget(new QLabel(QStringLiteral("°C"), box));
        contentLayout()->addWidget(box);
        setReader(new TestReader(page, *this));
    }
    TestReader *testReader() const { return static_cast<TestReader *>(reader()); }
    QLabel *counterLabel(int i) const
    {
        QLabel *l[] = {eCounterReadingLabel, eCounterReadingNumberLabel, eCounterErrorLabel,
                       eCounterErrorNumberLabel};
        return l[i];
    }
    QLineEdit *memo;
};

inline void TestReader::showValues()
{
    if (throwOnShow.exchange(false))
        throw std::runtime_error("probe");
    ++shows;
    static_cast<TestLive &>(window()).memo->setText(formatFixed(temperature / 10.0, 1));
}

inline TExtraForm *TestPage::createLiveWindow()
{
    return new TestLive(*this);
}

// A generic device with the test page's registers, factory values as the T4yJ.
inline std::shared_ptr<sim::Device> makeTestDevice();

// The rig of the framework tests: serves the test device unless told otherwise.
struct FrameworkRig : DeviceRig {
    using DeviceRig::start;
    bool start() { return DeviceRig::start(makeTestDevice()); }
};

inline std::shared_ptr<sim::Device> makeTestDevice()
{
    auto d = std::make_shared<sim::Device>(QStringLiteral("T4yJ"));
    d->setIdentification(sim::kClassicIdentification, "T4yJ");
    d->setIdentification(sim::kNewIdentification, "T4yJ");
    d->setFirmwareNumber(115);
    d->setFirmwareText("T4J 1.15");
    const quint16 factory[15] = {0x5434, 0x794A, 0,    0,    0, 2,   0,   0x0104,
                                 0,      1500,   1000, 5000, 1, 500, 5500};
    for (int i = 0; i < 15; ++i)
        d->setHolding(0x2001 + i, factory[i]);
    d->setHolding(0x2020, 40);
    d->setHolding(0x2021, 125);
    d->setHolding(0x0000, 215);
    return d;
}
