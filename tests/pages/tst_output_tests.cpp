// The output tests of the E-HN2 (two-state and proportional) and E-HB5/HN9 modules against the
// simulator, with the clock faked: the exact requests of the preparation, the runs and the
// restore, the DIP prompts, test.ini (missing, with a bad value, left by an unfinished test),
// what happens when a write fails on the way, and where the windows open when the page is on
// a second screen (the suite runs with two).

#include "DigitalIoFixture.h"
#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm3Test.h"
#include "pages/digital_io/TcForm9.h"
#include "platform/Profile.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTimer>

using Kind = ScriptedPrompts::Kind;

namespace {

const QString kOff = QStringLiteral("Pro funkčnost testu je nezbytné nastavit spínače DIP1 a DIP2 "
                                    "do polohy OFF");
const QString kOn = QStringLiteral("Nastavte spínače DIP1 a DIP2 do polohy ON");
const QString kSwitchOn = QStringLiteral("Přepněte spínače DIP1 a DIP2 do polohy On");
const QString kSwitchOff = QStringLiteral("Přepněte spínače DIP1 a DIP2 do polohy Off");
const QString kChanged = QStringLiteral("Nepodařilo se navázat spojení s připojenou komponentou, "
                                        "nastavení prvku bylo testem změněno.\n"
                                        "                             Zřejmě nebyly přepnuty DIP "
                                        "spínače 1 a 2");
const QString kException4 = QStringLiteral("Při provádění požadavku došlo k neodstranitelné chybě");
const QString kLeftOver = QStringLiteral("Nalezen soubor test.ini z nedokončeného testu. Zapsat z "
                                         "něj původní nastavení do modulu?");
const QString kNoFile = QStringLiteral("Neplatný ini soubor");
const QString kBadAddressInRun = QStringLiteral("Soubor test.ini obsahuje neplatnou hodnotu "
                                                "c3SkAdrComboBox=300. Test byl zastaven.");
const QString kBadAddressInRestore =
    QStringLiteral("Soubor test.ini obsahuje neplatnou hodnotu c3SkAdrComboBox=300. Nastavení "
                   "prvku z něj nebylo zapsáno, soubor zůstává uložen.");
// Two screens side by side, the second lower: a window's place counts from its screen's origin.
const QRect kSecondScreen(1024, 100, 1280, 1024);

QStringList oneSecondSteps(const QStringList &values, int slave = 1)
{
    QStringList out;
    for (const QString &v : values)
        out << QStringLiteral("%1/6/0100=%2").arg(slave).arg(v);
    return out;
}

} // namespace

class OutputTestsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DigitalIoRig> rig;
    std::unique_ptr<TDigitalIoPage> page;
    std::vector<Outcome> told; // the test steps' outcomes, as the page heard them

    template <typename Page> Page *open(const QString &model)
    {
        if (!rig->start(model))
            return nullptr;
        auto *p = new Page;
        page.reset(p);
        rig->shell.page = p;
        told.clear();
        connect(p, &TComponentForm::testStepDone, this,
                [this](const Outcome &o) { told.push_back(o); });
        p->show();
        return p;
    }
    // The last step failed with this message, having written nothing.
    void verifyFailedStep(const QString &message, int error = -1)
    {
        QVERIFY(!told.empty());
        QCOMPARE(int(told.back().kind), int(Outcome::Kind::Failed));
        QCOMPARE(told.back().message, message);
        if (error < 0)
            QCOMPARE(told.back().error, -1);
        else
            QVERIFY(told.back().error > 0);
        QVERIFY(told.back().written.empty());
    }
    static std::vector<RegisterSpan> spans(std::initializer_list<int> starts)
    {
        std::vector<RegisterSpan> out;
        for (int start : starts)
            out.push_back({start, 1});
        return out;
    }
    TcForm3Test *twoState() const { return qobject_cast<TcForm3Test *>(page->testWindow()); }
    TcForm3TestP *proportional() const { return qobject_cast<TcForm3TestP *>(page->testWindow()); }
    // The window is gone and the page is usable again.
    void verifyReleased(QPointer<QWidget> window)
    {
        QVERIFY(!page->testWindow());
        QTRY_VERIFY(window.isNull());
        QVERIFY(page->isEnabled());
        QVERIFY(!rig->shell.dialog.keepPageDisabled);
        QVERIFY(!rig->shell.dialog.isVisible());
    }

    // Changes test.ini as a technician's editor would: "-" removes it, "key=value" sets a key.
    void editTestIni(const QString &edit)
    {
        if (edit == "-") {
            QVERIFY(QFile::remove(rig->dir.file("test.ini")));
            return;
        }
        const QStringList kv = edit.split('=');
        Profile(rig->dir.file("test.ini")).writeString("test", kv[0], kv[1]);
    }

public:
    static void initMain()
    {
        static QTemporaryFile config;
        if (!config.open())
            return;
        config.write(QStringLiteral(R"({"screens": [
            {"name": "first", "x": 0, "y": 0, "width": 1024, "height": 768,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
            {"name": "second", "x": %1, "y": %2, "width": %3, "height": %4,
             "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                         .arg(kSecondScreen.x())
                         .arg(kSecondScreen.y())
                         .arg(kSecondScreen.width())
                         .arg(kSecondScreen.height())
                         .toUtf8());
        config.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    }

private slots:
    void init() { rig = std::make_unique<DigitalIoRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    // E-HN2 two-state: the snapshot with the status panels, test.ini, the five writes of the
    // test state, the page disabled behind the window; a run of each mode; the restore.
    void ehn2TwoState()
    {
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        p->markChanged(true);
        p->testDButton()->click();
        TcForm3Test *w = twoState();
        QVERIFY(w);
        QCOMPARE(told.size(), size_t(1));
        QVERIFY(told.back().ok());
        QVERIFY(told.back().written == spans({0x2000, 0x2006, 0x2006, 0x2007, 0x2018}));
        QCOMPARE(rig->requests(), (QStringList{"255/4/0001x8", "255/3/2000x25", "255/4/0000x1",
                                               "255/16/2000=0", "255/16/2006=1", "255/16/2006=fde8",
                                               "255/16/2007=0", "255/16/2018=104"}));
        QCOMPARE(p->panelText(0), QString("Název: E-HN2"));
        QCOMPARE(p->panelText(3), QString("Firmware: 121"));
        QCOMPARE(rig->prompts.texts(), QStringList{kOff});
        QCOMPARE(rig->prompts.lastIcon(), PromptIcon::Information);
        QVERIFY(!p->isEnabled());
        QVERIFY(rig->shell.dialog.keepPageDisabled);
        QVERIFY(!rig->shell.dialog.isVisible());
        const Profile ini(rig->dir.file("test.ini"));
        QCOMPARE(ini.keys("test").first(), QString("c3ZdTerScrollBar"));
        QCOMPARE(ini.keys("test").last(), QString("c3Rout7CheckBox"));
        QCOMPARE(ini.keys("test").size(), 1 + 8 + 8 + 2 + 8);
        QCOMPARE(ini.readInteger("test", "c3ZdTerScrollBar", 0), 500);
        QCOMPARE(ini.readInteger("test", "c3Pdo7RadioGroup", 0), 1);
        QCOMPARE(ini.readInteger("test", "c3SkAdrComboBox", 0), 1);

        // "Automaticky": every output in turn, a second each, then all off.
        int from = rig->received();
        rig->clock.clearWaits();
        w->runButton()->click();
        QCOMPARE(rig->requests(from), oneSecondSteps({"0001", "0003", "0007", "000f", "001f",
                                                      "003f", "007f", "00ff", "0000"}));
        QCOMPARE(rig->clock.waits(), QList<int>(9, 1000));
        QCOMPARE(rig->io().outputs(), quint8(0));
        QVERIFY(told.back().ok());
        QVERIFY(told.back().written == std::vector<RegisterSpan>(9, {0x0100, 1}));
        QVERIFY(!rig->shell.dialog.isVisible());
        QVERIFY(!p->isEnabled());

        // "Manuálně" with DO.2 and DO.5: those two stay on.
        w->modeGroup()->setItemIndex(1);
        QVERIFY(w->outputBox(2)->isEnabled());
        w->outputBox(2)->setChecked(true);
        w->outputBox(5)->setChecked(true);
        from = rig->received();
        w->runButton()->click();
        QCOMPARE(rig->requests(from), oneSecondSteps({"0004", "0024"}));
        QCOMPARE(rig->io().outputs(), quint8(0x24));
        // ... and with none: 0 once.
        w->outputBox(2)->setChecked(false);
        w->outputBox(5)->setChecked(false);
        from = rig->received();
        w->runButton()->click();
        QCOMPARE(rig->requests(from), oneSecondSteps({"0000"}));

        // Closing: the switches back, the kept settings back, the marker as it was.
        p->markChanged(false);
        from = rig->received();
        QPointer<QWidget> window(w);
        rig->prompts.clear();
        w->close();
        QCOMPARE(rig->prompts.texts(), QStringList{kOn});
        QCOMPARE(rig->requests(from), (QStringList{"255/16/2000=c000", "255/16/2006=1f4",
                                                   "255/16/2007=0", "255/16/2018=104"}));
        QCOMPARE(told.size(), size_t(5));
        QVERIFY(told.back().ok());
        QVERIFY(told.back().written == spans({0x2000, 0x2006, 0x2007, 0x2018}));
        verifyReleased(window);
        QVERIFY(p->isChanged());
        QVERIFY(!rig->dir.exists("test.ini"));
        QCOMPARE(rig->settings(25)[0], quint16(0xC000));
    }

    // The module's address in test.ini decides where the runs go: 0 goes as 1, 255 as 254;
    // a baud index above 4 is prepared as 4, and both come back as they were.
    void moduleAddressAndBaud_data()
    {
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("prepared");
        QTest::addColumn<int>("slave");
        QTest::newRow("address 255, baud 7") << 0xFF07 << "255/16/2018=fe04" << 254;
        QTest::newRow("address 0") << 0x0004 << "255/16/2018=104" << 1;
    }
    void moduleAddressAndBaud()
    {
        QFETCH(int, kept);
        QFETCH(QString, prepared);
        QFETCH(int, slave);
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        rig->device->setHolding(0x2018, quint16(kept));
        p->testDButton()->click();
        QVERIFY2(twoState(), qPrintable(rig->prompts.texts().join(" | ")));
        QCOMPARE(rig->writes().last(), prepared);
        twoState()->modeGroup()->setItemIndex(1);
        twoState()->outputBox(0)->setChecked(true);
        const int from = rig->received();
        twoState()->runButton()->click();
        QCOMPARE(rig->requests(from), oneSecondSteps({"0001"}, slave));
        twoState()->close();
        QCOMPARE(rig->writes().last(), QString("255/16/2018=%1").arg(kept, 0, 16));
    }

    // E-HB5/HN9: three writes of the test state, five outputs, 255 kept as 254.
    void ehb5()
    {
        auto *p = open<TcForm9>("E-HB5/HN9");
        QVERIFY(p);
        rig->device->setValues(sim::Table::Holding, 0x2006, {300, 0x1500, 7, 0xFF03});
        rig->device->setHolding(0x2000, 0x0009);
        p->testOutButton()->click();
        auto *w = qobject_cast<TcForm9Test *>(p->testWindow());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString("E-HB5/HN9 Test  DO.x"));
        QCOMPARE(rig->requests(), (QStringList{"255/4/0001x8", "255/3/2000x10", "255/16/2000=0",
                                               "255/16/2006=fde8,0", "255/16/2009=fe03"}));
        QCOMPARE(Profile(rig->dir.file("test.ini")).keys("test").size(), 1 + 5 + 2 + 5);
        int from = rig->received();
        w->runButton()->click();
        QCOMPARE(rig->requests(from),
                 oneSecondSteps({"0001", "0003", "0007", "000f", "001f", "0000"}, 254));
        w->modeGroup()->setItemIndex(1);
        w->outputBox(1)->setChecked(true);
        w->outputBox(4)->setChecked(true);
        from = rig->received();
        w->runButton()->click();
        QCOMPARE(rig->requests(from), oneSecondSteps({"0002", "0012"}, 254));
        from = rig->received();
        w->close();
        QCOMPARE(rig->requests(from),
                 (QStringList{"255/16/2000=9", "255/16/2006=12c,1500", "255/16/2009=fe03"}));
        QVERIFY(!rig->dir.exists("test.ini"));
        QVERIFY(p->isEnabled());
    }

    // E-HN2 proportional: the test state, single-output and all-output runs with their
    // prompts, the refresh of exactly the last run, the restore.
    void ehn2Proportional()
    {
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        p->testPButton()->click();
        TcForm3TestP *w = proportional();
        QVERIFY(w);
        QCOMPARE(
            rig->requests(),
            (QStringList{"255/4/0001x8", "255/3/2000x25", "255/16/2000=ff00", "255/16/2006=fde8",
                         "255/16/2008=101,101,101,101,1,1,1,1,1,1,1,1", "255/16/2018=104"}));
        QCOMPARE(rig->prompts.texts(), QStringList());
        const QStringList keys = Profile(rig->dir.file("test.ini")).keys("test");
        QCOMPARE(keys.mid(0, 9), (QStringList{"ZdT0", "ZdT1", "ZdT2", "ZdT3", "ZdT4", "ZdT5",
                                              "ZdT6", "ZdT7", "ZdK7"}));
        QCOMPARE(keys.size(), 8 + 8 + 3 + 8 + 8);

        // DO.3 with T 10: its pair register keeps DO.2's remembered 1.
        w->outputGroup()->setItemIndex(3);
        QCOMPARE(w->stateLabel()->text(), QString("Testování výstupu DO.3"));
        enterText(w->stepsField(), "10");
        enterText(w->onTimeField(), "4");
        int from = rig->received();
        w->runButton()->click();
        QCOMPARE(rig->requests(from),
                 (QStringList{"255/16/200a=a01", "255/16/2010=1", "1/6/0113=0004"}));
        QCOMPARE(rig->prompts.texts(), QStringList{kSwitchOff});
        QVERIFY(w->updateTimer()->isActive());
        QVERIFY(!w->switchesOn());

        // DO.2 next: the switches first, and DO.3 keeps its 10 in the shared register.
        w->outputGroup()->setItemIndex(2);
        enterText(w->stepsField(), "5");
        enterText(w->stepTimeField(), "0,08");
        from = rig->received();
        rig->prompts.clear();
        w->runButton()->click();
        QCOMPARE(rig->requests(from),
                 (QStringList{"255/16/200a=a05", "255/16/2011=2", "1/6/0112=0004"}));
        QCOMPARE(rig->prompts.texts(), (QStringList{kSwitchOn, kSwitchOff}));
        QVERIFY(rig->io().outputs() & 0x04);

        // The refresh repeats that run, whatever the window shows now.
        w->allBox()->setChecked(true);
        w->allTestPCheckBoxClick();
        QCOMPARE(w->stateLabel()->text(), QString("Testování všech výstupu"));
        QVERIFY(!w->outputGroup()->isEnabled());
        enterText(w->onTimeField(), "2");
        from = rig->received();
        const Outcome refresh = w->updateTimerTimer();
        QCOMPARE(rig->requests(from), QStringList{"1/6/0112=0004"});
        QVERIFY(refresh.ok());
        QVERIFY(refresh.written == spans({0x0112}));

        // All outputs: one parameter request, then the on-time into all eight.
        from = rig->received();
        rig->prompts.clear();
        w->runButton()->click();
        QStringList all = {"255/16/2008=505,505,505,505,2,2,2,2,2,2,2,2"};
        for (int r = 0; r < 8; ++r)
            all << QString("1/6/011%1=0002").arg(r);
        QCOMPARE(rig->requests(from), all);
        QVERIFY(told.back().ok());
        QCOMPARE(told.back().written.size(), size_t(1 + 8));
        QVERIFY(told.back().written.front() == (RegisterSpan{0x2008, 12}));
        from = rig->received();
        w->updateTimerTimer();
        QCOMPARE(rig->requests(from), all.mid(1));

        // Closing with the switches off asks for them first.
        from = rig->received();
        rig->prompts.clear();
        QPointer<QWidget> window(w);
        w->close();
        QCOMPARE(rig->prompts.texts(), QStringList{kSwitchOn});
        QCOMPARE(rig->requests(from),
                 (QStringList{"255/16/2000=c000", "255/16/2006=1f4",
                              "255/16/2008=a0a,a0a,a0a,a0a,19,19,19,19,19,19,19,19",
                              "255/16/2018=104"}));
        verifyReleased(window);
        QVERIFY(!rig->dir.exists("test.ini"));
    }

    // A failing preparation write puts the snapshot back into everything the preparation
    // touched, the failed register included; test.ini goes only when that went through.
    void failedPreparationUndoes_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("undone");
        QTest::newRow("undo works") << 1 << true;
        QTest::newRow("undo fails too") << 2 << false;
    }
    void failedPreparationUndoes()
    {
        QFETCH(int, failures);
        QFETCH(bool, undone);
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        const QVector<quint16> before = rig->settings(25);
        rig->failOn("255/16/2007=0", 4, failures);
        p->testDButton()->click();
        QVERIFY(!p->testWindow());
        // The start failed on the fourth write; what went through before it is named.
        QCOMPARE(told.size(), size_t(1));
        QCOMPARE(int(told.back().kind), int(Outcome::Kind::Failed));
        QCOMPARE(told.back().message, kException4);
        QVERIFY(told.back().written == spans({0x2000, 0x2006, 0x2006}));
        QCOMPARE(rig->writes(),
                 (QStringList{"255/16/2000=0", "255/16/2006=1", "255/16/2006=fde8", "255/16/2007=0",
                              "255/16/2007=0", "255/16/2006=1f4", "255/16/2000=c000"}));
        QCOMPARE(rig->prompts.texts(),
                 undone ? QStringList{kException4} : (QStringList{kException4, kChanged}));
        QCOMPARE(rig->dir.exists("test.ini"), !undone);
        QCOMPARE(rig->settings(25), before);
        QVERIFY(p->isEnabled());
        QVERIFY(!rig->shell.dialog.keepPageDisabled);
    }

    // A failed restore keeps test.ini and says so; the page comes back and the window goes.
    // test.ini values outside their byte or bit, or no test.ini at all, write nothing.
    void restoreThatCannotHappen_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("writes");
        QTest::newRow("module refuses") << "" << kException4 << 1;
        QTest::newRow("address 300") << "c3SkAdrComboBox=300"
                                     << "Soubor test.ini obsahuje neplatnou hodnotu "
                                        "c3SkAdrComboBox=300. Nastavení prvku z něj nebylo "
                                        "zapsáno, soubor zůstává uložen."
                                     << 0;
        QTest::newRow("bit 2") << "c3Pdo0RadioGroup=2"
                               << "Soubor test.ini obsahuje neplatnou hodnotu "
                                  "c3Pdo0RadioGroup=2. Nastavení prvku z něj nebylo zapsáno, "
                                  "soubor zůstává uložen."
                               << 0;
        QTest::newRow("no test.ini") << "-"
                                     << "Neplatný ini soubor" << 0;
    }
    void restoreThatCannotHappen()
    {
        QFETCH(QString, edit);
        QFETCH(QString, message);
        QFETCH(int, writes);
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        p->testDButton()->click();
        QPointer<QWidget> window(twoState());
        QVERIFY(window);
        if (edit == "-") {
            QVERIFY(QFile::remove(rig->dir.file("test.ini")));
        } else if (!edit.isEmpty()) {
            const QStringList kv = edit.split('=');
            Profile(rig->dir.file("test.ini")).writeString("test", kv[0], kv[1]);
        } else {
            rig->failOn("255/16/2000=c000", 4);
        }
        const QString kept = rig->testIni();
        const int from = rig->received();
        rig->prompts.clear();
        window->close();
        QCOMPARE(rig->writes(from).size(), writes);
        verifyFailedStep(message, writes > 0 ? 1 : -1);
        QStringList expected = {kOn, message};
        if (writes > 0)
            expected << kChanged;
        QCOMPARE(rig->prompts.texts(), expected);
        QCOMPARE(rig->testIni(), kept);
        verifyReleased(window);
    }

    // A test.ini that is missing or holds a bad address when a run or the refresh needs it:
    // nothing is written, the technician is not sent to the switches, the message says what
    // did not happen, and the refresh stops.
    void runWithoutAGoodTestIni_data()
    {
        QTest::addColumn<QString>("test");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("message");
        for (const char *test : {"two-state run", "proportional run", "refresh"}) {
            QTest::addRow("%s, no test.ini", test) << test << "-" << kNoFile;
            QTest::addRow("%s, address 300", test)
                << test << "c3SkAdrComboBox=300" << kBadAddressInRun;
        }
    }
    void runWithoutAGoodTestIni()
    {
        QFETCH(QString, test);
        QFETCH(QString, edit);
        QFETCH(QString, message);
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        const bool isTwoState = test == "two-state run";
        QTest::mouseClick(isTwoState ? p->testDButton() : p->testPButton(), Qt::LeftButton);
        QPointer<TOutputTestForm> w(static_cast<TOutputTestForm *>(p->testWindow()));
        QVERIFY2(w, qPrintable(rig->prompts.texts().join(" | ")));
        QPushButton *run = isTwoState ? twoState()->runButton() : proportional()->runButton();
        if (test == "refresh")
            QTest::mouseClick(run, Qt::LeftButton);
        editTestIni(edit);
        const int from = rig->received();
        rig->prompts.clear();
        if (test == "refresh") {
            QVERIFY(proportional()->updateTimer()->isActive());
            proportional()->updateTimer()->start(1);
            QTRY_VERIFY(!proportional()->updateTimer()->isActive());
        } else {
            QTest::mouseClick(run, Qt::LeftButton);
        }
        QCOMPARE(rig->writes(from), QStringList());
        verifyFailedStep(message);
        QCOMPARE(rig->prompts.texts(), QStringList{message});
        QVERIFY(!rig->shell.dialog.isVisible());
        if (!isTwoState)
            QVERIFY(!proportional()->updateTimer()->isActive());
    }

    // A test.ini left by an unfinished test holds a module's own settings. When it is this
    // module's (either E-HN2 test), the technician may have them written back first, through
    // the restore of the test that wrote it; either way the file is moved aside, never
    // overwritten, and a message box names it. A write-back that cannot happen stops the start
    // and leaves the file where it is.
    void leftOverTestIni_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("writeBack");  // the technician's answer, if asked
        QTest::addColumn<QString>("refused"); // a request the module refuses
        QTest::addColumn<QStringList>("writesBefore");
        QTest::addColumn<QStringList>("texts"); // "aside": the message naming the moved file
        const QByteArray twoState = "[test]\r\nc3ZdTerScrollBar=4321\r\nc3Pdo7RadioGroup=1\r\n"
                                    "c3SkSpdComboBox=4\r\nc3SkAdrComboBox=1\r\n"
                                    "c3Rout2CheckBox=1\r\n";
        const QStringList twoStateBack = {"255/16/2000=8000", "255/16/2006=10e1", "255/16/2007=400",
                                          "255/16/2018=104"};
        QTest::newRow("two-state file, written back")
            << twoState << true << QString() << twoStateBack
            << QStringList{kLeftOver, "aside", kOff};
        QTest::newRow("proportional file, written back")
            << QByteArray("[test]\r\nZdT0=3\r\nZdK0=7\r\nc3ZdTerScrollBar=4321\r\n"
                          "c3SkSpdComboBox=4\r\nc3SkAdrComboBox=1\r\n")
            << true << QString()
            << QStringList{"255/16/2000=0", "255/16/2006=10e1",
                           "255/16/2008=101,101,101,103,1,1,1,1,1,1,1,7", "255/16/2018=104"}
            << QStringList{kLeftOver, "aside", kOff};
        QTest::newRow("kept as it is") << twoState << false << QString() << QStringList()
                                       << QStringList{kLeftOver, "aside", kOff};
        QTest::newRow("another module's file")
            << QByteArray("[test]\r\nc9ZdTerScrollBar=300\r\nc9SkAdrComboBox=1\r\n") << true
            << QString() << QStringList() << QStringList{"aside", kOff};
        QTest::newRow("bad value")
            << QByteArray("[test]\r\nc3SkAdrComboBox=300\r\n") << true << QString() << QStringList()
            << QStringList{kLeftOver, kBadAddressInRestore};
        QTest::newRow("module refuses")
            << twoState << true << "255/16/2000=8000" << QStringList{"255/16/2000=8000"}
            << QStringList{kLeftOver, kException4, kChanged};
    }
    void leftOverTestIni()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, writeBack);
        QFETCH(QString, refused);
        QFETCH(QStringList, writesBefore);
        QFETCH(QStringList, texts);
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        rig->dir.write("test.ini", file);
        if (!refused.isEmpty())
            rig->failOn(refused, 4);
        rig->prompts.planAnswer(writeBack ? PromptAnswer::Yes : PromptAnswer::No);
        QTest::mouseClick(p->testDButton(), Qt::LeftButton);
        const QStringList aside = QDir(rig->dir.file(".")).entryList({"test-*.ini"});
        const bool started = texts.contains("aside");
        QCOMPARE(aside.size(), started ? 1 : 0);
        for (QString &t : texts)
            if (t == "aside")
                t = "Soubor test.ini z nedokončeného testu uložen jako " + aside[0];
        QCOMPARE(rig->prompts.texts(), texts);
        QCOMPARE(rig->writes().mid(0, writesBefore.size()), writesBefore);
        QCOMPARE(told.size(), size_t(1));
        QCOMPARE(told.back().ok(), started);
        if (!started) {
            QCOMPARE(told.back().message, texts[1]);
            QVERIFY(!p->testWindow());
            QCOMPARE(rig->dir.read("test.ini"), file);
            QCOMPARE(rig->writes(), writesBefore);
            QVERIFY(p->isEnabled());
            QVERIFY(p->testDButton()->isEnabled());
            QVERIFY(p->getButton()->isEnabled());
            return;
        }
        QVERIFY(QRegularExpression("^test-\\d{8}-\\d{6}\\.ini$").match(aside[0]).hasMatch());
        QCOMPARE(rig->dir.read(aside[0]), file);
        QCOMPARE(p->panelText(2), texts[texts.size() - 2]);
        QVERIFY(twoState());
        // The new snapshot is what the module holds now.
        QCOMPARE(Profile(rig->dir.file("test.ini")).readInteger("test", "c3ZdTerScrollBar", 0),
                 writesBefore.isEmpty() ? 500 : 4321);
    }

    // Every test window opens centred on the screen the page is on, wherever that screen
    // lies on the desktop.
    void windowOnThePagesScreen_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("button");
        QTest::newRow("E-HN2 two-state") << "E-HN2"
                                         << "c3TestDButton";
        QTest::newRow("E-HN2 proportional") << "E-HN2"
                                            << "c3TestPButton";
        QTest::newRow("E-HB5/HN9 outputs") << "E-HB5/HN9"
                                           << "c9TestOutButton";
        QTest::newRow("E-HB5/HN9 inputs") << "E-HB5/HN9"
                                          << "c9TestInButton";
    }
    void windowOnThePagesScreen()
    {
        QFETCH(QString, model);
        QFETCH(QString, button);
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QVERIFY(rig->start(model));
        page = makeDigitalPage(model);
        rig->shell.page = page.get();
        page->show();
        page->move(kSecondScreen.topLeft() + QPoint(40, 30));
        QTRY_COMPARE(QGuiApplication::screenAt(page->frameGeometry().center())->geometry(),
                     kSecondScreen);
        QTest::mouseClick(page->findChild<QPushButton *>(button), Qt::LeftButton);
        QWidget *w = page->testWindow();
        QVERIFY2(w, qPrintable(rig->prompts.texts().join(" | ")));
        const QRect at = w->frameGeometry();
        QCOMPARE(at.topLeft(),
                 QPoint(kSecondScreen.left() + kSecondScreen.width() / 2 - at.width() / 2,
                        kSecondScreen.top() + kSecondScreen.height() / 2 - at.height() / 2));
        w->close();
        QTRY_VERIFY(!page->testWindow());
    }

    // Closing at awkward moments, with the real clock: the window during a run's whole-second
    // waits, and the page while a test window is open.
    void closingDuringARun()
    {
        auto *p = open<TcForm3>("E-HN2");
        QVERIFY(p);
        p->testDButton()->click();
        QPointer<TcForm3Test> w(twoState());
        QVERIFY(w);
        Clock::install(nullptr);
        w->modeGroup()->setItemIndex(1);
        w->outputBox(0)->setChecked(true);
        w->outputBox(1)->setChecked(true);
        int restoreWritesAtRunEnd = -1;
        QTimer::singleShot(300, [&] { w->close(); });
        w->runButton()->click();
        restoreWritesAtRunEnd = rig->writes().filter("255/16/").size();
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000);
        // The run ended first (both outputs), then the restore went.
        QCOMPARE(restoreWritesAtRunEnd, 5);
        QCOMPARE(rig->writes().filter("1/6/0100").size(), 2);
        QCOMPARE(rig->writes().filter("255/16/").size(), 5 + 4);

        // Closing the page during a run: the run ends, the test window restores the module,
        // then the page goes.
        p->testDButton()->click();
        QPointer<TcForm3Test> second(twoState());
        QVERIFY(second);
        second->modeGroup()->setItemIndex(1);
        second->outputBox(3)->setChecked(true);
        QPointer<TDigitalIoPage> guard(page.release());
        rig->prompts.planAnswer(PromptAnswer::No);
        QTimer::singleShot(300, [&] { guard->close(); });
        second->runButton()->click();
        QVERIFY(guard);
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 5000);
        QVERIFY(second.isNull());
        QCOMPARE(rig->shell.closedPages, 1);
        QVERIFY(!rig->dir.exists("test.ini"));
        const QStringList last = rig->writes();
        QCOMPARE(last.mid(last.size() - 5),
                 (QStringList{"1/6/0100=0008", "255/16/2000=c000", "255/16/2006=1f4",
                              "255/16/2007=0", "255/16/2018=104"}));
        rig->clock.install();
    }
};

QTEST_MAIN(OutputTestsTest)
#include "tst_output_tests.moc"
