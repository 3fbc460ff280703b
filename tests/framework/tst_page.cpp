// The page shell against a simulated device on a pty: read-all, write-all, identification,
// restore after a failed read, verification, close question, menus.

#include "FrameworkFixture.h"
#include "pages/framework/Countdown.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestClock.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolTip>
#include <QtTest>
#include <atomic>

using Kind = ScriptedPrompts::Kind;

namespace {

// Stores one register off by one, so the read-back differs.
class SloppyDevice : public sim::Device
{
public:
    SloppyDevice() : sim::Device("T4yJ") {}
    std::atomic<int> sloppyAddress{-1}; // set by the test while the server serves

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        put(sim::Table::Holding, address, address == sloppyAddress ? value + 1 : value);
    }
};

struct Snapshot {
    QStringList texts;
    QList<int> values;
    explicit Snapshot(TestPage &p)
    {
        texts << p.text->text() << p.off->edit()->text() << p.i1->edit()->text()
              << p.o1->edit()->text() << p.pa->edit()->text() << p.pb->edit()->text();
        values << p.sensor->currentIndex() << p.speed->currentIndex() << p.addr->currentIndex()
               << p.off->position() << p.i1->position() << p.i2->position() << p.o1->position()
               << p.o2->position() << p.sp->position() << p.fl->position() << p.fh->position()
               << p.pa->position() << p.pb->position();
    }
    bool operator==(const Snapshot &o) const { return texts == o.texts && values == o.values; }
};

// A field whose upper limit is Parameter A's value, in a register of its own.
class LimitedPage : public TestPage
{
public:
    LimitedPage()
    {
        auto &g = group(QStringLiteral("Meze"), 2);
        lim = &numeric(
            g, QStringLiteral("c20ExLim"), QStringLiteral("Mez"),
            Rule::whole(0, 1000).limitsFrom([this] { return std::make_pair(0.0, pa->value()); }));
        block(0x2030, 1).position(*lim);
    }
    TNumericField *lim;
};

// A block of bit fields, a code-table list, a gap and a value of its own, written with a
// device command after it; a read-only block of a measured value.
class ImagePage : public TestPage
{
public:
    ImagePage()
    {
        auto &g = group(QStringLiteral("Kanály"), 2);
        for (int i = 0; i < 8; ++i)
            outputs.push_back(&checkBox(g, QStringLiteral("c20Out%1CheckBox").arg(i),
                                        QStringLiteral("DO.%1").arg(i)));
        for (int i = 0; i < 2; ++i)
            modes.push_back(&radioGroup(g, QStringLiteral("c20Mode%1RadioGroup").arg(i),
                                        QStringLiteral("Režim %1").arg(i), {"D", "P"}));
        kind = &codedCombo(g, QStringLiteral("c20KindComboBox"), QStringLiteral("Druh"),
                           {{"odpor", 0x10}, {"napětí", 0x30}, {"proud", 0x40}});
        level = &numeric(g, QStringLiteral("c20ExLevel"), QStringLiteral("Úroveň"),
                         Rule::whole(0, 1000));
        measured = &numeric(g, QStringLiteral("c20ExMeasured"), QStringLiteral("Měřeno"),
                            Rule::whole(0, 5000));
        block(0x2030, 4)
            .bits({outputs.begin(), outputs.end()}, {modes.begin(), modes.end()},
                  [this] { return forced; })
            .combo(*kind)
            .gap(1)
            .position(*level)
            .afterWrite([this] {
                commandFrames.push_back(int(sentBefore()));
                exchange::writeSingle(transmit(), 0x001C, 0xC001);
            });
        block(0x0040, 1).position(*measured).readOnly();
    }
    std::function<int()> sentBefore = [] { return 0; };
    std::vector<QWidget *> outputs, modes;
    QComboBox *kind;
    TNumericField *level, *measured;
    quint8 forced = 0; // the page's logical state: outputs whose bit is written 0
    std::vector<int> commandFrames;
};

// A page whose settle step marks it changed, as pages that rebuild dependent controls do.
class SettlingPage : public TestPage
{
public:
    explicit SettlingPage(bool newer = false) : TestPage(newer) {}
    void settleAfterRead(bool) override { markChanged(true); }
    void controlsLoaded() override { markChanged(true); }
};

// Two radio groups a write requires an item of.
class RadioPage : public TestPage
{
public:
    RadioPage()
    {
        auto &g = group(QStringLiteral("Režimy"), 2);
        for (int i = 0; i < 2; ++i) {
            modes.push_back(&radioGroup(g, QStringLiteral("c20Mode%1RadioGroup").arg(i),
                                        QStringLiteral("Režim %1").arg(i), {"A", "B"}));
            required(*modes.back());
        }
    }
    std::vector<TRadioGroup *> modes;
};

bool markedRed(const QWidget *w)
{
    return w->property("invalidMark").toBool();
}

} // namespace

class PageTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrameworkRig> rig;
    std::unique_ptr<TestClock> clock;
    WorkingDir *dir = nullptr;
    TestShell *shell = nullptr;
    ScriptedPrompts *prompts = nullptr;
    sim::Device *device = nullptr;
    sim::Server *server = nullptr;

    void startServer(std::shared_ptr<sim::Device> d)
    {
        QVERIFY(rig->start(std::move(d)));
        device = rig->device.get();
        server = rig->server.get();
    }
    int functionFrames(int function, int start = -1) const { return rig->frames(function, start); }

private slots:
    void init()
    {
        rig = std::make_unique<FrameworkRig>();
        clock = std::make_unique<TestClock>();
        dir = &rig->dir;
        shell = &rig->shell;
        prompts = &rig->prompts;
        startServer(makeTestDevice());
    }
    void cleanup()
    {
        clock.reset();
        rig.reset();
    }

    void readAllFillsThePage_data()
    {
        QTest::addColumn<bool>("newer");
        QTest::newRow("classic") << false;
        QTest::newRow("newer") << true;
    }
    void readAllFillsThePage()
    {
        QFETCH(bool, newer);
        device->setHolding(0x2006, 0x7701);         // high byte ignored
        device->setHolding(0x200B, 0);              // frequency 0 shows 1
        device->setHolding(0x200F, 40000);          // above the range: 20000
        device->setHolding(0x2007, quint16(-2000)); // correction below -100,0
        TestPage page(newer);
        shell->page = &page;
        page.show();
        page.getButtonClick();
        QCOMPARE(prompts->count(), 0);
        QCOMPARE(page.text->text(), QString("T4yJ"));
        QCOMPARE(page.sensor->currentIndex(), 1);
        QCOMPARE(page.off->position(), -1000);
        QCOMPARE(page.off->edit()->text(), QString("-100,0"));
        QCOMPARE(page.addr->currentIndex(), 0);
        QCOMPARE(page.speed->currentIndex(), 4);
        QCOMPARE(page.i2->edit()->text(), QString("150,0"));
        QCOMPARE(page.o1->position(), 1);
        QCOMPARE(page.fh->position(), 20000);
        QCOMPARE(page.pa->position(), 40);
        QCOMPARE(page.pb->edit()->text(), QString("12,5"));
        QCOMPARE(page.panelText(0), QString("Název: T4yJ"));
        QCOMPARE(page.panelText(3),
                 newer ? QString("Firmware: T4J 1.15") : QString("Firmware: 115"));
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QVERIFY(page.isChanged());
        QVERIFY(!QFile::exists(dir->file("temp.ini")));
        QVERIFY(!shell->dialog.isVisible());
        QVERIFY(page.isEnabled());
        // The generation decides which identification is read.
        QCOMPARE(functionFrames(4, newer ? 0x0010 : 0x0001), 1);
        QCOMPARE(functionFrames(4, newer ? 0x0001 : 0x0010), 0);
    }

    void failedReadRestoresEveryField()
    {
        TestPage page(false);
        shell->page = &page;
        page.show();
        page.text->setText(QString::fromUtf8("Kotelna"));
        page.off->setPosition(-37);
        page.speed->setCurrentIndex(9);
        page.addr->setCurrentIndex(41);
        page.o1->setPosition(777);
        page.pa->setPosition(3);
        page.pb->setPosition(401);
        page.markChanged(false);
        const Snapshot before(page);
        // The first block is read and decoded, the second fails.
        server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        page.getButtonClick();
        QVERIFY(Snapshot(page) == before);
        QVERIFY(!page.isChanged());
        QCOMPARE(prompts->count(Kind::Message), 1);
        QCOMPARE(prompts->lastText(),
                 QString("Adresa registru, ke kterému chcete přistoupit je mimo rozsah"));
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        QCOMPARE(prompts->lastIcon(), PromptIcon::Error);
        QCOMPARE(page.panelText(2), QString("Obnoveno původní formulářové nastavení komponenty"));
        QVERIFY(!QFile::exists(dir->file("temp.ini")));
        QVERIFY(page.isEnabled());
        QVERIFY(page.hintsOn());

        // temp.ini cannot be written (a directory of that name): the page still comes back.
        QVERIFY(QDir().mkdir(dir->file("temp.ini")));
        page.mmShowHintClick();
        page.markChanged(false);
        prompts->clear();
        page.getButtonClick();
        QVERIFY(Snapshot(page) == before);
        QVERIFY(!page.isChanged());
        QVERIFY(!page.hintsOn());
        QCOMPARE(prompts->count(Kind::Message), 1);
        QCOMPARE(page.panelText(2), QString("Obnoveno původní formulářové nastavení komponenty"));
    }

    void wrongIdentificationBeforeAnySetting()
    {
        device->setIdentification(sim::kClassicIdentification, "ZK");
        TestPage page(false);
        shell->page = &page;
        page.show();
        page.off->setPosition(55);
        const Snapshot before(page);
        page.getButtonClick();
        QCOMPARE(prompts->lastText(),
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
        QCOMPARE(functionFrames(3), 0);
        QVERIFY(Snapshot(page) == before);

        prompts->clear();
        page.sendButtonClick();
        QCOMPARE(prompts->lastText(),
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
        QCOMPARE(page.panelText(2), QString("Data nebyla korektně uložena"));
        QCOMPARE(functionFrames(16), 0);
        QCOMPARE(functionFrames(3), 0);
    }

    void silentDeviceAndClosedPort()
    {
        TestPage page(false);
        shell->page = &page;
        page.show();
        sim::Faults f;
        f.silent = true;
        server->setFaults(f);
        page.getButtonClick();
        QCOMPARE(prompts->lastText(),
                 QString("Prvek na sériové lince neodpovídá. Zkontrolujte jeho správné nastavení"));
        prompts->clear();
        shell->path = "/nonexistent/tty";
        page.getButtonClick();
        QCOMPARE(prompts->lastText(),
                 QString("Sériová linka neodpovídá - zkontrolujte její připojení"));
        QCOMPARE(page.panelText(2), QString("Obnoveno původní formulářové nastavení komponenty"));
    }

    void writeAllSendsVerifiesAndKeepsSensorType()
    {
        device->setHolding(0x2006, 0x0005); // the device's own sensor byte, outside the list
        TestPage page(false);
        shell->page = &page;
        page.show();
        page.getButtonClick();
        QCOMPARE(page.sensor->currentIndex(), -1);
        page.text->setText(QString::fromUtf8("Čerpadlo"));
        page.off->setPosition(-123);
        page.addr->setCurrentIndex(16);
        page.speed->setCurrentIndex(3);
        page.o2->setPosition(12000);
        page.pb->setPosition(77);
        prompts->clear();
        clock->clearWaits();
        page.sendButtonClick();
        QCOMPARE(prompts->count(), 0);
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(device->holding(0x2001), quint16(0xC865)); // "Če" in windows-1250
        QCOMPARE(device->holding(0x2006), quint16(0x0005));
        QCOMPARE(device->holding(0x2007), quint16(-123));
        QCOMPARE(device->holding(0x2008), quint16(17 * 256 + 3));
        QCOMPARE(device->holding(0x200C), quint16(12000));
        QCOMPARE(device->holding(0x2021), quint16(77));
        QVERIFY(clock->waited(500));
        QVERIFY(!shell->dialog.isVisible());
        QVERIFY(page.isEnabled());
    }

    void writeAllRefusals()
    {
        auto sloppy = std::make_shared<SloppyDevice>();
        auto base = makeTestDevice();
        for (int r = 0x2001; r <= 0x200F; ++r)
            sloppy->setHolding(r, base->holding(r));
        sloppy->setHolding(0x2020, 1);
        sloppy->setHolding(0x2021, 1);
        sloppy->setIdentification(sim::kClassicIdentification, "T4yJN");
        sloppy->setFirmwareNumber(7);
        startServer(sloppy);

        TestPage page(false);
        shell->page = &page;
        page.show();
        page.getButtonClick();
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));

        // No address: refused before the device is touched, the label turns red.
        page.addr->setCurrentIndex(-1);
        server->clearLog();
        page.sendButtonClick();
        QCOMPARE(prompts->lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QCOMPARE(page.panelText(2), QString("Data nebyla korektně uložena"));
        QVERIFY(server->frames().isEmpty());
        QLabel *addrLabel = page.findChild<QLabel *>("c20SkAdrLabel");
        QVERIFY(addrLabel && addrLabel->property("invalidMark").toBool());
        QVERIFY(!page.findChild<QLabel *>("c20SkSpdLabel")->property("invalidMark").toBool());
        page.addr->setCurrentIndex(0); // choosing an address clears the mark
        QVERIFY(!addrLabel->property("invalidMark").toBool());

        // A register the device stores differently: error 16.
        static_cast<SloppyDevice &>(*sloppy).sloppyAddress = 0x2021;
        prompts->clear();
        const Outcome differs = page.sendButtonClick();
        QCOMPARE(differs.error, int(ErrVerifyFailed));
        QVERIFY(differs.verified == (std::vector<RegisterSpan>{{0x2001, 15}}));
        QCOMPARE(prompts->lastText(), QString("Data nebyla korektně uložena"));
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        QCOMPARE(page.panelText(2), QString("Data nebyla korektně uložena"));

        // A difference in the kept sensor byte alone is no difference.
        static_cast<SloppyDevice &>(*sloppy).sloppyAddress = 0x2006;
        prompts->clear();
        page.sendButtonClick();
        QCOMPARE(prompts->count(), 0);
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
    }

    // Every operation returns what it came to, whatever boxes or status texts it showed on
    // the way: callers (the CLI, backups, protocols) read this, not the window.
    void operationsReturnTheirOutcome_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        const int done = int(Outcome::Kind::Done), failed = int(Outcome::Kind::Failed),
                  cancelled = int(Outcome::Kind::Cancelled), refused = int(Outcome::Kind::Refused);
        const QString ok = "Operace proběhla OK";
        QTest::newRow("read") << "read" << "" << done << 0 << ok;
        QTest::newRow("read, another model") << "read" << "ZK" << failed << 9
                                             << message(ErrWrongDevice);
        QTest::newRow("read, silent") << "read" << "silent" << failed << 6 << message(6);
        QTest::newRow("read, box on success") << "read" << "box" << done << 0 << ok;
        QTest::newRow("read, test open") << "read" << "test" << refused << -1 << "";
        QTest::newRow("write") << "write" << "" << done << 0 << ok;
        QTest::newRow("write, no address") << "write" << "noaddr" << failed << 13
                                           << message(ErrInvalidInput);
        QTest::newRow("write, refused register") << "write" << "exception" << failed << 3
                                                 << message(3);
        QTest::newRow("load") << "load" << "" << done << 0 << "Konfigurace načtena";
        QTest::newRow("load, another page's file") << "load" << "foreign" << failed << 21
                                                   << message(21);
        QTest::newRow("load, cancelled") << "load" << "cancel" << cancelled << -1 << "";
        QTest::newRow("save") << "save" << "" << done << 0 << "Konfigurace uložena";
        QTest::newRow("save, no address") << "save" << "noaddr" << failed << 13
                                          << message(ErrInvalidInput);
        QTest::newRow("save, unwritable") << "save" << "unwritable" << failed << -1
                                          << "Konfiguraci nelze uložit do souboru %1";
    }
    void operationsReturnTheirOutcome()
    {
        QFETCH(QString, operation);
        QFETCH(QString, fault);
        QFETCH(int, kind);
        QFETCH(int, error);
        QFETCH(QString, message);
        struct BoxPage : TestPage {
            bool box = false;
            void settleAfterRead(bool) override
            {
                if (box)
                    Prompts::instance().message("Pozor", "Upozornění", PromptIcon::Warning);
            }
        } page;
        shell->page = &page;
        page.show();
        QVERIFY(page.readAll().ok());
        const QString file = dir->file(fault == "unwritable" ? "missing/c.ini" : "c.ini");
        if (operation == "load") {
            QVERIFY(page.saveControls(file, fault == "foreign" ? "cForm1" : "cForm20"));
            if (fault != "cancel")
                prompts->planFileName(file);
        } else if (operation == "save") {
            prompts->planFileName(file);
        }
        page.box = fault == "box";
        if (fault == "ZK")
            device->setIdentification(sim::kClassicIdentification, "ZK");
        if (fault == "silent") {
            sim::Faults silent;
            silent.silent = true;
            server->setFaults(silent);
        }
        if (fault == "noaddr")
            page.addr->setCurrentIndex(-1);
        if (fault == "exception")
            server->setException(sim::Table::Holding, 0x2020, 0x2021, 2, true);
        QLabel testWindow;
        if (fault == "test")
            page.setTestWindow(&testWindow);
        prompts->clear();
        const Outcome o = operation == "read"    ? page.getButtonClick()
                          : operation == "write" ? page.sendButtonClick()
                          : operation == "load"  ? page.mmLoadConfigurationClick()
                                                 : page.mmSaveConfigureClick();
        page.setTestWindow(nullptr);
        QCOMPARE(int(o.kind), kind);
        QCOMPARE(o.ok(), kind == int(Outcome::Kind::Done));
        QCOMPARE(o.error, error);
        QCOMPARE(o.message, message.contains("%1") ? message.arg(file) : message);
        if (o.kind == Outcome::Kind::Failed)
            QCOMPARE(prompts->lastText(), o.message);
        // A write says what went out and what the read-back confirmed.
        const std::vector<RegisterSpan> blocks = {{0x2001, 15}, {0x2020, 2}};
        if (operation == "write" && o.ok()) {
            QVERIFY(o.written == blocks);
            QVERIFY(o.verified == blocks);
            QVERIFY(o.readBackAt.isValid());
        } else if (fault == "exception") {
            QVERIFY(o.written == std::vector<RegisterSpan>{blocks.front()});
            QVERIFY(o.verified.empty());
        } else {
            QVERIFY(o.written.empty());
        }
    }

    // Bit fields with a mask by the page's own state (never by whether a box is enabled:
    // the progress dialog disables the whole page), a code-table list, a gap, a read-only
    // block, and a device command between two written blocks.
    void blocksBitsAndCodes()
    {
        device->setValues(sim::Table::Holding, 0x2030, {0xA502, 0x0030, 0x1234, 700});
        device->setHolding(0x0040, 4321);
        device->setHolding(0x001C, 0); // the command register
        ImagePage page;
        shell->page = &page;
        page.show();
        page.getButtonClick();
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(bitsOf(page.outputs), quint8(0xA5));
        QCOMPARE(bitsOf(page.modes), quint8(0x02));
        QCOMPARE(page.kind->currentText(), QString("napětí"));
        QCOMPARE(page.level->position(), 700);
        QCOMPARE(page.measured->position(), 4321);

        // Written: the forced bits as 0 whatever the boxes show, a disabled box as it shows.
        for (QWidget *w : page.outputs)
            static_cast<QCheckBox *>(w)->setChecked(true);
        page.outputs[7]->setEnabled(false);
        page.forced = 0x03;
        page.kind->setCurrentIndex(2);
        device->setHolding(0x0040, 9);
        server->clearLog();
        page.sentBefore = [this] { return server->frames().size(); };
        page.sendButtonClick();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(device->holding(0x2030), quint16(0xFC02));
        QCOMPARE(device->holding(0x2031), quint16(0x0040));
        QCOMPARE(device->holding(0x2032), quint16(0xFFFF));
        QCOMPARE(device->holding(0x001C), quint16(0xC001));
        QCOMPARE(functionFrames(16, 0x0040), 0); // read-only block: never written
        // Read once, by the backup before the first write; never read back.
        QCOMPARE(functionFrames(3, 0x0040), 1);
        // The command follows the block's own write, before the read-backs.
        QCOMPARE(page.commandFrames.size(), size_t(1));
        const auto frames = server->frames();
        const int at = page.commandFrames[0];
        QCOMPARE(quint8(frames[at - 1].bytes[1]), quint8(16));
        QCOMPARE(quint8(frames[at - 1].bytes[3]), quint8(0x30));
        QCOMPARE(quint8(frames[at].bytes[1]), quint8(6));
        QCOMPARE(page.measured->position(), 4321); // a write does not read it

        // A code the table does not know: no selection, and the write is refused.
        device->setHolding(0x2031, 0x0099);
        page.getButtonClick();
        QCOMPARE(page.kind->currentIndex(), -1);
        QCOMPARE(page.measured->position(), 9);
        server->clearLog();
        page.sendButtonClick();
        QCOMPARE(prompts->lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QVERIFY(page.findChild<QLabel *>("c20KindLabel")->property("invalidMark").toBool());
        QVERIFY(server->frames().isEmpty());
    }

    // Coil and single-register writes share the read's identification check, progress
    // and error report.
    void coilAndRegisterActions()
    {
        device->mapRange(sim::Table::Coil, 0, 8);
        device->setAddress(7);
        TestPage page(false);
        shell->page = &page;
        page.show();
        server->clearLog();
        QCOMPARE(page.writeCoilAction(3, true).error, 0);
        QVERIFY(device->coil(3));
        QCOMPARE(page.writeRegisterAction(0x2020, 99, 7).error, 0);
        QCOMPARE(device->holding(0x2020), quint16(99));
        const auto frames = server->frames();
        QCOMPARE(frames.size(), 4);
        QCOMPARE(frames[0].bytes.toHex(), QByteArray("ff0400010008b5d2"));
        QCOMPARE(frames[1].bytes.left(6).toHex(), QByteArray("ff050003ff00"));
        QCOMPARE(frames[3].bytes.left(6).toHex(), QByteArray("070620200063"));
        QCOMPARE(prompts->count(), 0);
        QVERIFY(!shell->dialog.isVisible());
        QVERIFY(page.isEnabled());

        // Another device: error 9 before the coil is touched; a silent one: error 6.
        device->setIdentification(sim::kClassicIdentification, "ZK");
        server->clearLog();
        QCOMPARE(page.writeCoilAction(3, false).error, int(ErrWrongDevice));
        QCOMPARE(functionFrames(5), 0);
        QVERIFY(device->coil(3));
        QCOMPARE(prompts->lastText(),
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        sim::Faults silent;
        silent.silent = true;
        server->setFaults(silent);
        QCOMPARE(page.writeRegisterAction(0x2020, 1).error, int(ErrNoReply));
        QCOMPARE(prompts->count(Kind::Message), 2);
        QVERIFY(page.isEnabled());
    }

    void progressBarPaintsAtEveryStage()
    {
        TestPage page(false);
        shell->page = &page;
        page.show();
        struct Painter : QObject {
            QList<int> values;
            QList<bool> pageEnabled;
            QWidget *page = nullptr;
            bool eventFilter(QObject *o, QEvent *e) override
            {
                if (e->type() == QEvent::Paint) {
                    values << static_cast<QProgressBar *>(o)->value();
                    pageEnabled << page->isEnabled();
                }
                return false;
            }
        } painter;
        painter.page = &page;
        shell->dialog.ProgressBar->installEventFilter(&painter);
        page.getButtonClick();
        shell->dialog.ProgressBar->removeEventFilter(&painter);
        // Two blocks, each painted at positions 1, 2 and 3 while the page takes no input.
        QVERIFY2(painter.values.count(1) >= 2 && painter.values.count(2) >= 2 &&
                     painter.values.count(3) >= 2,
                 qPrintable(QString("painted values %1")
                                .arg(QStringList([&] {
                                         QStringList l;
                                         for (int v : painter.values)
                                             l << QString::number(v);
                                         return l;
                                     }())
                                         .join(' '))));
        QVERIFY(!painter.pageEnabled.contains(true));
        QVERIFY(page.isEnabled());
        QVERIFY(!shell->dialog.isVisible());
    }

    void menusAndShortcuts()
    {
        TestPage page(false);
        QCOMPARE(page.menuItem("mmLoadConfiguration")->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(page.menuItem("mmSaveConfigure")->shortcut(), QKeySequence("Ctrl+S"));
        QCOMPARE(page.menuItem("mmClose")->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(page.menuItem("mmChooseComponent")->shortcut(), QKeySequence("Ctrl+K"));
        QVERIFY(page.menuItem("mmSerial")->shortcut().isEmpty());
        QVERIFY(page.menuItem("mmShowHint")->isChecked());
        QVERIFY(page.findChild<QMenu *>("mmOptions"));
        QCOMPARE(page.panelText(0), QString("Název:"));
        QCOMPARE(page.panelText(3), QString("Firmware:"));
        QCOMPARE(page.statusBar()->objectName(), QString("c20StatusBar"));
        QCOMPARE(page.getButton()->text(), QString("&Načíst data"));
        QCOMPARE(page.sendButton()->objectName(), QString("c20SendButton"));

        class NoLive : public TComponentForm
        {
        public:
            NoLive()
                : TComponentForm(
                      PageTraits::newer("cForm3", "E-HN2", {"E-HN2"}).withoutLiveWindow())
            {
            }
        } noLive;
        QVERIFY(!noLive.findChild<QMenu *>("mmOptions"));
        QVERIFY(!noLive.menuItem("mmLoadExtra"));
        QCOMPARE(noLive.getButton()->objectName(), QString("getButton"));

        page.mmShowHintClick();
        QVERIFY(!page.hintsOn());
        QCOMPARE(page.panelText(2), QString("Nezobrazovat plovoucí nápovědu"));
        QVERIFY(page.isChanged());
        page.mmShowHintClick();
        QCOMPARE(page.panelText(2), QString("Zobrazovat plovoucí nápovědu"));

        page.mmAboutClick();
        QCOMPARE(shell->abouts, 1);

        // Floating hints follow mmShowHint.
        page.show();
        // After the page's activation, which would hide a hint.
        QVERIFY(QTest::qWaitForWindowActive(&page));
        QTest::qWait(100);
        QWidget *edit = page.o1->edit();
        const QPoint at = edit->mapToGlobal(QPoint(2, 2));
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), at);
        QApplication::sendEvent(edit, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("Rozsah 1 - 20 000"));
        QTest::qWait(10300); // past the toolkit's own 10 s
        QVERIFY(QToolTip::isVisible());
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        page.mmShowHintClick();
        QHelpEvent again(QEvent::ToolTip, QPoint(2, 2), at);
        QApplication::sendEvent(edit, &again);
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible());
    }

    void closeQuestion()
    {
        {
            auto *page = new TestPage(false);
            QPointer<TestPage> guard(page);
            page->show();
            page->markChanged(true);
            prompts->planAnswer(PromptAnswer::No);
            page->close();
            QCOMPARE(prompts->count(Kind::Question), 1);
            QCOMPARE(prompts->last().text,
                     QString("Nastavení komponenty bylo změněno. Přejete si ho uložit?"));
            QCOMPARE(prompts->last().caption, QString("Uložit"));
            QCOMPARE(prompts->count(Kind::SaveFile), 0);
            QCOMPARE(shell->closedPages, 1);
            QTRY_VERIFY(guard.isNull());
        }
        {
            prompts->clear();
            auto *page = new TestPage(false);
            QPointer<TestPage> guard(page);
            page->show();
            page->markChanged(true);
            prompts->planAnswer(PromptAnswer::Yes); // and the save dialog is cancelled
            page->close();
            QCOMPARE(prompts->count(Kind::SaveFile), 1);
            QCOMPARE(shell->closedPages, 2);
            QTRY_VERIFY(guard.isNull());
        }
        {
            prompts->clear();
            auto *page = new TestPage(false);
            QPointer<TestPage> guard(page);
            page->show();
            page->mmChooseComponentClick();
            QCOMPARE(prompts->count(), 0); // unchanged: no question
            QCOMPARE(shell->componentChoices, 1);
            QTRY_VERIFY(guard.isNull());
        }
    }

    // A device value outside a field's (computed) range shows as the limit without the
    // range warning; the user's own entries are warned about again afterwards.
    void readClampsWithoutWarning()
    {
        device->setHolding(0x2030, 80);
        LimitedPage page;
        page.show();
        page.getButtonClick();
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(prompts->count(), 0);
        QCOMPARE(page.pa->position(), 40);
        QCOMPARE(page.lim->position(), 40);
        QCOMPARE(page.lim->edit()->text(), QString("40"));

        page.lim->edit()->setText("90");
        page.intPlusMaskEditExit(*page.lim);
        QCOMPARE(prompts->count(Kind::Message), 1);
        QCOMPARE(prompts->lastText(), QString("Můžete zadat pouze hodnoty od 0 do 40"));
        QCOMPARE(prompts->lastCaption(), QString("Varování"));
    }

    // Ctrl plus the letter reaches the menu also while a text field has the focus (the
    // field's own Ctrl+Z and Ctrl+K do not take it).
    void menuShortcutsBeforeFieldKeys()
    {
        auto press = [this](bool numericField, Qt::Key key) {
            auto *page = new TestPage(false);
            QPointer<TestPage> guard(page);
            shell->page = page;
            page->show();
            page->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(page));
            QLineEdit *edit = numericField ? page->o1->edit() : page->text;
            edit->setFocus();
            QTest::keyClicks(edit, "12");
            page->markChanged(false);
            QTest::keyClick(edit, key, Qt::ControlModifier);
            QTRY_VERIFY(guard.isNull());
        };
        press(false, Qt::Key_Z);
        QCOMPARE(shell->closedPages, 1);
        QCOMPARE(shell->componentChoices, 0);
        press(true, Qt::Key_K);
        QCOMPARE(shell->componentChoices, 1);
        QCOMPARE(shell->closedPages, 2);
        QCOMPARE(prompts->count(), 0);
    }

    // The marker after a read says whether a field changed, whatever the settle step does;
    // a refused file touches nothing, so the marker stays as it was.
    void markerAfterReadAndRefusedFile_data()
    {
        QTest::addColumn<bool>("newer");
        QTest::newRow("classic") << false;
        QTest::newRow("newer") << true;
    }
    void markerAfterReadAndRefusedFile()
    {
        QFETCH(bool, newer);
        SettlingPage page(newer);
        shell->page = &page;
        page.show();
        page.markChanged(false);
        page.readAll();
        QVERIFY(page.isChanged()); // the factory values differ from the page's
        page.markChanged(false);
        page.readAll();
        QCOMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QVERIFY(!page.isChanged());
        device->setHolding(0x2020, 41);
        page.readAll();
        QVERIFY(page.isChanged());
        // A failed read leaves it as before, too.
        page.markChanged(false);
        device->setIdentification(sim::kClassicIdentification, "ZK");
        device->setIdentification(sim::kNewIdentification, "ZK");
        page.readAll();
        QCOMPARE(prompts->count(Kind::Message), 1);
        QVERIFY(!page.isChanged());

        dir->write("other.ini", "[cForm7]\nc7ZdTextEdit=Cizí\n");
        for (bool changed : {false, true}) {
            page.markChanged(changed);
            prompts->planFileName(dir->file("other.ini"));
            page.mmLoadConfigurationClick();
            QCOMPARE(prompts->lastText(),
                     QString("Soubor s konfigurací není určen pro tento formulář"));
            QCOMPARE(page.isChanged(), changed);
            QCOMPARE(page.pa->position(), 41);
        }
    }

    // A required radio group without an item refuses the write and turns red; choosing an
    // item clears its mark at once, the other group's stays.
    void requiredRadioGroups()
    {
        RadioPage page;
        shell->page = &page;
        page.show();
        page.readAll();
        for (TRadioGroup *g : page.modes)
            g->setItemIndex(-1);
        page.writeAll();
        QCOMPARE(prompts->lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QVERIFY(markedRed(page.modes[0]) && markedRed(page.modes[1]));
        QCOMPARE(functionFrames(16), 0);
        auto *b = page.modes[0]->findChildren<QRadioButton *>().at(1);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, b->height() / 2));
        QCOMPARE(page.modes[0]->itemIndex(), 1);
        QVERIFY(!markedRed(page.modes[0]));
        QVERIFY(markedRed(page.modes[1]));
        page.clearInvalidMarks();
        QVERIFY(!markedRed(page.modes[1]));
    }

    // While a countdown holds the buttons, their shortcut letter is swallowed, in any field;
    // once they are free again the same keys press the button.
    void shortcutOfALockedButtonTypesNothing_data()
    {
        QTest::addColumn<bool>("numericField");
        QTest::newRow("text") << false;
        QTest::newRow("numeric field") << true;
    }
    void shortcutOfALockedButtonTypesNothing()
    {
        QFETCH(bool, numericField);
        TestPage page(false);
        shell->page = &page;
        page.show();
        page.readAll();
        page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        const int frames = int(server->frames().size());
        TButtonCountdown countdown(&page);
        countdown.start(page.sendButton(), page.sendButton()->text(), 3,
                        {page.sendButton(), page.getButton()});
        QLineEdit *edit = numericField ? page.o1->edit() : page.text;
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        const QString before = edit->text();
        for (Qt::Key key : {Qt::Key_U, Qt::Key_1, Qt::Key_X})
            QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
        QCOMPARE(edit->text(), before);
        QCOMPARE(int(server->frames().size()), frames);

        countdown.saveTimer()->start(1); // the lock time over at once
        QTRY_VERIFY(page.sendButton()->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
        QCOMPARE(edit->text(), before);
        QTRY_VERIFY(functionFrames(16) > 0);
    }

    void loadAfterStartReadsTheDevice()
    {
        shell->loadAfterStart = true;
        TestPage page(false);
        shell->page = &page;
        page.show();
        QTRY_COMPARE(page.panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(page.text->text(), QString("T4yJ"));
    }
};

QTEST_MAIN(PageTest)
#include "tst_page.moc"
