// The E-HN2, E-HB2 and E-HB5/HN9 pages against their simulated modules: the read with its
// limits, the write with the bytes and registers the map fixes and its verification, the
// field rules, E-HN2's modes, configuration files, and opening by detection.

#include "DigitalIoFixture.h"
#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm7.h"
#include "pages/digital_io/TcForm9.h"
#include "pages/pages.h"
#include "platform/Profile.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "tests/support/WorkingDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using Kind = ScriptedPrompts::Kind;

class DigitalIoPagesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DigitalIoRig> rig;

    template <typename Page> std::unique_ptr<Page> open(const QString &model)
    {
        if (!rig->start(model))
            return nullptr;
        auto page = std::make_unique<Page>();
        rig->shell.page = page.get();
        page->show();
        return page;
    }
    static QString edit(TNumericField *f) { return f->edit()->text(); }

private slots:
    void initTestCase()
    {
        // The main window's logo loads the JPEG plugin; loaded after many simulator threads
        // have come and gone, its thread-local storage trips LeakSanitizer's exit check.
        QVERIFY(!TmForm::logoPixmap().isNull());
    }
    void init() { rig = std::make_unique<DigitalIoRig>(); }
    void cleanup() { rig.reset(); }

    // Each module is read with its identification check first, then its one block; values
    // out of range show as the nearest limit and unknown codes leave a list empty, which a
    // write then refuses.
    void readsAndLimits()
    {
        auto page = open<TcForm3>("E-HN2");
        QVERIFY(page);
        page->getButton()->click();
        QCOMPARE(rig->requests(), (QStringList{"255/4/0001x8", "255/3/2000x25", "255/4/0000x1"}));
        QCOMPARE(page->panelText(0), QString("Název: E-HN2"));
        QCOMPARE(page->panelText(3), QString("Firmware: 121"));
        QCOMPARE(page->textEdit()->text(), QString("E-HN2"));
        QCOMPARE(edit(page->failureTime()), QString("1,000"));
        QCOMPARE(page->mode(7)->itemIndex(), 1);
        QCOMPARE(edit(page->stepTime(0)), QString("1,00"));

        // Zeros show as 1, an E above its T as T; address 255 and baud index 5 are no items.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0, 0x8000});
        rig->device->setValues(sim::Table::Holding, 0x2008, {0x0A00, 0x0A0A, 0x0A0A, 0x0A03});
        rig->device->setHolding(0x2013, 0);
        rig->device->setValues(sim::Table::Holding, 0x2014, {0x0505, 0x0505, 0x0505, 0x0509});
        rig->device->setHolding(0x2018, 0xFF05);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(edit(page->failureTime()), QString("0,002"));
        QCOMPARE(page->steps(6)->position(), 1);
        QCOMPARE(page->steps(0)->position(), 3);
        QCOMPARE(page->failureSteps(0)->position(), 3);
        QCOMPARE(page->failureSteps(1)->position(), 5);
        QCOMPARE(page->stepTime(0)->position(), 1);
        // The fault box of an output in mode P is still shown as the module holds it.
        QVERIFY(page->fault(7)->isChecked() && !page->fault(7)->isEnabled());
        QCOMPARE(page->addressList()->currentIndex(), -1);
        QCOMPARE(page->speedList()->currentIndex(), -1);
        const int before = rig->received();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QCOMPARE(page->panelText(2), QString("Data nebyla korektně uložena"));
        for (const char *label : {"c3SkAdrLabel", "c3SkSpdLabel"})
            QVERIFY(page->findChild<QLabel *>(label)->styleSheet().contains("red"));
        QCOMPARE(rig->received(), before);

        // Another module answering: error 9, and the page as before the read.
        rig->device->setIdentification(sim::kClassicIdentification, "E-HB2");
        page->getButton()->click();
        QCOMPARE(rig->prompts.lastText(),
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
        QCOMPARE(page->panelText(2), QString("Obnoveno původní formulářové nastavení komponenty"));
        QCOMPARE(page->steps(0)->position(), 3);
    }

    // What each page writes, register by register, and that the read-back agrees.
    void writesTheBlock_data()
    {
        QTest::addColumn<QString>("model");
        QTest::newRow("E-HN2") << "E-HN2";
        QTest::newRow("E-HB2") << "E-HB2";
        QTest::newRow("E-HB5/HN9") << "E-HB5/HN9";
    }
    void writesTheBlock()
    {
        QFETCH(QString, model);
        QVERIFY(rig->start(model));
        std::unique_ptr<TDigitalIoPage> page = makeDigitalPage(model);
        rig->shell.page = page.get();
        page->show();
        page->getButton()->click();
        QVector<quint16> expected;
        if (auto *p = qobject_cast<TcForm3 *>(page.get())) {
            // DO.1 proportional with its fault box checked: bit 1 of 0x2007 goes as 0.
            p->fault(1)->setChecked(true);
            p->fault(2)->setChecked(true);
            p->mode(1)->setItemIndex(1);
            p->negation(7)->setChecked(true);
            QVERIFY(!p->fault(1)->isEnabled());
            enterText(p->steps(1), "200");
            enterText(p->failureSteps(1), "150");
            enterText(p->stepTime(1), "0,05");
            p->addressList()->setCurrentIndex(4);
            p->speedList()->setCurrentIndex(2);
            p->textEdit()->setText("Šňůra");
            expected = {0xC280, 0x8AF2, 0xF972, 0x6100, 0,      0,      500,   0x0400, 0x0A0A,
                        0x0A0A, 0x0A0A, 0xC80A, 25,     25,     25,     25,    25,     25,
                        2,      25,     0x0505, 0x0505, 0x0505, 0x9605, 0x0502};
        } else if (auto *p = qobject_cast<TcForm7 *>(page.get())) {
            rig->device->setHolding(0x2007, 0x1234);
            p->edge(7)->setItemIndex(1);
            p->edge(0)->setItemIndex(0);
            enterText(p->samplingTime(), "0,06");
            enterText(p->failureTime(), "0,005");
            p->textEdit()->setText("AB");
            expected = {0x8E00, 0x4142, 0, 0, 0, 0, 3, 0xFFFF, 2, 0x0104};
        } else {
            auto *hb5 = static_cast<TcForm9 *>(page.get());
            rig->device->setValues(sim::Table::Holding, 0x2007, {0x00AA});
            rig->device->setHolding(0x200A, 0x01FF);
            hb5->negation(4)->setChecked(true);
            hb5->fault(0)->setChecked(true);
            hb5->edge(2)->setItemIndex(1);
            enterText(hb5->samplingTime(), "0,00015");
            hb5->addressList()->setCurrentIndex(253);
            expected = {0x0010, 0x452D, 0x4842, 0x3500, 0, 0, 500, 0x0100, 1, 0xFE04, 0x0500};
        }
        QCOMPARE(rig->prompts.texts(), QStringList());
        rig->server->clearLog();
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(rig->settings(expected.size()), expected);
        // Identification before anything is written, the backup's read of the block, one
        // write, the pause, the read-back.
        const QStringList r = rig->requests();
        QCOMPARE(r.size(), 4);
        QCOMPARE(r[0], QString("255/4/0001x8"));
        QCOMPARE(r[1], QString("255/3/2000x%1").arg(expected.size()));
        QVERIFY(r[2].startsWith("255/16/2000="));
        QCOMPARE(r[3], QString("255/3/2000x%1").arg(expected.size()));
        QCOMPARE(rig->clock.waits(), QList<int>{500});
    }

    // The documented entries of the time fields: what the edit shows, the position, and the
    // range warning.
    void fieldRules_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("warning");
        const QString w = "Můžete zadat pouze hodnoty od ";
        QTest::newRow("odd ms up") << "E-HN2"
                                   << "Ter"
                                   << "0,005"
                                   << "0,006" << 3 << "";
        QTest::newRow("single precision") << "E-HN2"
                                          << "Ter"
                                          << "0,006"
                                          << "0,006" << 3 << "";
        QTest::newRow("time above") << "E-HN2"
                                    << "Ter"
                                    << "200"
                                    << "131,070" << 65535 << w + "0,002 do 131,07";
        QTest::newRow("time below") << "E-HN2"
                                    << "Ter"
                                    << "0,001"
                                    << "0,002" << 1 << w + "0,002 do 131,07";
        QTest::newRow("K to 4 hundredths") << "E-HN2"
                                           << "K"
                                           << "0,05"
                                           << "0,08" << 2 << "";
        QTest::newRow("K above") << "E-HN2"
                                 << "K"
                                 << "3000"
                                 << "2621,40" << 65535 << w + "0,04 do 2621,40";
        QTest::newRow("T below") << "E-HN2"
                                 << "T"
                                 << "0"
                                 << "1" << 1 << w + "1 do 255";
        QTest::newRow("E above T") << "E-HN2"
                                   << "E"
                                   << "12"
                                   << "10" << 10 << w + "1 do 10";
        QTest::newRow("HB2 25 us down") << "E-HB2"
                                        << "Ivz"
                                        << "0,030"
                                        << "0,025" << 1 << "";
        QTest::newRow("HB2 0,06") << "E-HB2"
                                  << "Ivz"
                                  << "0,06"
                                  << "0,050" << 2 << "";
        QTest::newRow("HB2 above") << "E-HB2"
                                   << "Ivz"
                                   << "2000"
                                   << "1638,375" << 65535 << w + "0,025 do 1638,375";
        QTest::newRow("HB5 100 us") << "E-HB5/HN9"
                                    << "Ivz"
                                    << "0,00015"
                                    << "0,0001" << 1 << "";
        QTest::newRow("HB5 above") << "E-HB5/HN9"
                                   << "Ivz"
                                   << "7"
                                   << "6,5535" << 65535 << w + "0,0001 do 6,5535";
    }
    void fieldRules()
    {
        QFETCH(QString, model);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, position);
        QFETCH(QString, warning);
        QVERIFY(rig->start(model));
        std::unique_ptr<TDigitalIoPage> page = makeDigitalPage(model);
        page->show();
        TNumericField *f = nullptr;
        if (auto *p = qobject_cast<TcForm3 *>(page.get())) {
            p->mode(0)->setItemIndex(1);
            enterText(p->steps(0), "10");
            f = field == "Ter" ? p->failureTime()
                : field == "K" ? p->stepTime(0)
                : field == "T" ? p->steps(0)
                               : p->failureSteps(0);
        } else if (auto *p = qobject_cast<TcForm7 *>(page.get())) {
            f = p->samplingTime();
        } else {
            f = static_cast<TcForm9 *>(page.get())->samplingTime();
        }
        rig->prompts.clear();
        enterText(f, typed);
        QCOMPARE(edit(f), shown);
        QCOMPARE(f->position(), position);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});

        // Text that is not a number: the fallback, a beep, and no load or save until a value
        // is accepted again.
        rig->prompts.clear();
        enterText(f, ",");
        QCOMPARE(f->position(), 1);
        QCOMPARE(rig->prompts.beeps(), 1);
        QVERIFY(page->invalidInput());
    }

    // E-HN2: the mode enables an output's proportional fields and takes its fault box away;
    // a lower T takes the E above it along.
    void modesAndSteps()
    {
        auto page = open<TcForm3>("E-HN2");
        QVERIFY(page);
        QVERIFY(!page->steps(3)->edit()->isEnabled());
        QVERIFY(page->fault(3)->isEnabled());
        page->mode(3)->setItemIndex(1);
        for (TNumericField *f : {page->steps(3), page->failureSteps(3), page->stepTime(3)})
            QVERIFY(f->edit()->isEnabled() && f->bar()->isEnabled());
        QVERIFY(page->stepTime(3)->unitLabel()->isEnabled());
        QVERIFY(!page->fault(3)->isEnabled());
        QCOMPARE(page->mode(3)->toolTip(), QString("Proporční výstup"));
        QVERIFY(page->isChanged());
        enterText(page->steps(3), "40");
        enterText(page->failureSteps(3), "30");
        enterText(page->steps(3), "20");
        QCOMPARE(page->failureSteps(3)->position(), 20);
        QCOMPARE(edit(page->failureSteps(3)), QString("20"));
        page->fault(3)->setChecked(true);
        QCOMPARE(page->fault(3)->toolTip(), QString("Při poruše komunikace sepnuto"));
        page->negation(3)->setChecked(true);
        QCOMPARE(page->negation(3)->toolTip(), QString("V klidovém stavu sepnuto"));
        page->mode(3)->setItemIndex(0);
        QVERIFY(!page->steps(3)->edit()->isEnabled());
        QCOMPARE(page->mode(3)->toolTip(), QString("Běžný dvoustavový výstup"));
    }

    // Configuration files keep the documented keys in order; E-HN2 loads its T values before
    // the E values they bound, although the file has the E keys first.
    void configurationFiles()
    {
        auto page = open<TcForm3>("E-HN2");
        QVERIFY(page);
        page->mode(2)->setItemIndex(1);
        enterText(page->steps(2), "100");
        enterText(page->failureSteps(2), "50");
        const QString file = rig->dir.file("hn2.ini");
        rig->prompts.planFileName(file);
        page->mmSaveConfigureClick();
        QCOMPARE(page->panelText(2), QString("Konfigurace uložena"));
        const QStringList keys = Profile(file).keys("cForm3");
        QCOMPARE(keys.size(), 4 + 5 * 8 + 8 + 1);
        QCOMPARE(keys.mid(0, 5), (QStringList{"c3ZdTextEdit", "c3ZdTerScrollBar", "c3SkSpdComboBox",
                                              "c3SkAdrComboBox", "c3Pdo0RadioGroup"}));
        QCOMPARE(keys.indexOf("c3ZdE0ScrollBar") + 8, keys.indexOf("c3ZdT0ScrollBar"));
        QCOMPARE(keys.last(), QString("mmShowHint"));

        auto fresh = std::make_unique<TcForm3>();
        rig->shell.page = fresh.get();
        QCOMPARE(fresh->steps(2)->position(), 1);
        rig->prompts.planFileName(file);
        fresh->mmLoadConfigurationClick();
        QCOMPARE(fresh->panelText(2), QString("Konfigurace načtena"));
        QCOMPARE(fresh->steps(2)->position(), 100);
        QCOMPARE(fresh->failureSteps(2)->position(), 50);
        QCOMPARE(fresh->mode(2)->itemIndex(), 1);
        QVERIFY(!fresh->isChanged());

        // The other pages' files: their own sections, refused by the wrong page.
        TcForm9 hb5;
        hb5.negation(2)->setChecked(true);
        const QString other = rig->dir.file("hb5.ini");
        rig->prompts.planFileName(other);
        hb5.mmSaveConfigureClick();
        QCOMPARE(Profile(other).keys("cForm9").mid(3, 3),
                 (QStringList{"c9ZdTerScrollBar", "c9ZdIvzScrollBar", "c9Hdi0RadioGroup"}));
        TcForm7 hb2;
        rig->prompts.planFileName(other);
        hb2.mmLoadConfigurationClick();
        QCOMPARE(rig->prompts.lastText(),
                 QString("Soubor s konfigurací není určen pro tento formulář"));
    }

    // The list indexes 5, 6 and 7 open these pages, by hand and by detection.
    void opensByDetection_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("index");
        QTest::newRow("E-HN2") << "E-HN2" << 5;
        QTest::newRow("E-HB2") << "E-HB2" << 6;
        QTest::newRow("E-HB5/HN9") << "E-HB5/HN9" << 7;
    }
    void opensByDetection()
    {
        QFETCH(QString, model);
        QFETCH(int, index);
        rig.reset();
        WorkingDir dir;
        ScriptedPrompts prompts;
        sim::Server server(sim::createModel(model));
        QVERIFY(server.start());
        dir.mapPorts({{1, server.path()}});
        PageRegistry registry;
        registerPages(registry);
        TmForm form(registry);
        form.FormCreate();
        std::unique_ptr<QWidget> byHand(registry.create(index));
        QCOMPARE(byHand->windowTitle(), model);
        byHand.reset();
        form.serialNameComboBox->setCurrentIndex(0);
        form.automaticComponentChooseButtonClick();
        QCOMPARE(prompts.texts(), QStringList());
        QWidget *page = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TDigitalIoPage *>(w))
                page = w;
        QVERIFY(page);
        QCOMPARE(page->windowTitle(), model);
        delete page;
    }
};

QTEST_MAIN(DigitalIoPagesTest)
#include "tst_digital_io.moc"
