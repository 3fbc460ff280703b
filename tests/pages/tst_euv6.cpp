// E-UV6 page against the simulated E-UV6: each input by its type (correction or range),
// reads that keep the device's ranges, a type of no item, the range defaults of a user's
// choice against those of a file, entries, the write of the twenty registers and the live
// values by type.

#include "ConverterFixture.h"
#include "pages/sensors/TcForm10.h"
#include "platform/Profile.h"

#include <QPushButton>

class Euv6Test : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm10> page;

    void open()
    {
        QVERIFY(rig->start(QStringLiteral("E-UV6")));
        page = std::make_unique<TcForm10>();
        rig->shell.page = page.get();
    }
    QStringList range(int input) const
    {
        return {page->rangeStart(input)->edit()->text(), page->rangeEnd(input)->edit()->text()};
    }
    bool rangeEnabled(int input) const
    {
        return page->rangeStart(input)->edit()->isEnabled() &&
               page->rangeEnd(input)->bar()->isEnabled() && !page->off(input)->edit()->isEnabled();
    }
    bool offsetEnabled(int input) const
    {
        return page->off(input)->bar()->isEnabled() &&
               !page->rangeStart(input)->edit()->isEnabled();
    }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void readShowsEachInputByItsType()
    {
        open();
        QVERIFY(offsetEnabled(0) && offsetEnabled(3));
        // Address 2 at 9600 Bd; AI.0 Pt 100, AI.1 resistance, AI.2 a code of no type, AI.3
        // current; corrections beyond their range; ranges at the ends of 16 bits.
        rig->device->setValues(
            sim::Table::Holding, 0x2006,
            {0x0203, 0x0310, 0x2041, 0x0BB8, 0xFC00, 0, 0, 0, 111, 0, 0x8000, 0, 222, 0, 0x7FFF});
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->addressList()->currentText(), QStringLiteral("2"));
        QCOMPARE(page->speedCombo()->currentText(), QStringLiteral("9600"));
        QCOMPARE(page->typeCombo(0)->currentText(), QStringLiteral("Pt 100/3850ppm"));
        QVERIFY(offsetEnabled(0));
        QCOMPARE(page->off(0)->edit()->text(), QStringLiteral("100,0"));
        QCOMPARE(page->off(1)->edit()->text(), QStringLiteral("-100,0"));
        // The device's range, not the type's defaults (0 and 10000).
        QCOMPARE(page->typeCombo(1)->currentText(), QStringLiteral("odpor 0-1000 ohmů"));
        QVERIFY(rangeEnabled(1));
        QCOMPARE(range(1), (QStringList{"111", "222"}));
        QCOMPARE(page->typeCombo(2)->currentIndex(), -1);
        QCOMPARE(page->typeCombo(3)->currentText(), QStringLiteral("proud 0-20 mA"));
        QCOMPARE(range(3), (QStringList{"-32767", "32766"}));
        QCOMPARE(page->panelText(0), QStringLiteral("Název: E-UV6"));

        // Without a type for AI.2 nothing is written.
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QVERIFY(isRed(labelNamed(page.get(), "c10ZdInt2Label")));
        QCOMPARE(rig->writes(), 0);

        choose(page->typeCombo(2), 1);
        QVERIFY(!isRed(labelNamed(page.get(), "c10ZdInt2Label")));
        rig->prompts.clear();
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(500));
        const QVector<quint16> expected = {0x452D, 0x5556, 0x3600, 0,   0, 0x0203, 0x0310,
                                           0x0141, 1000,   0xFC18, 0,   0, 0,      111,
                                           0,      0x8001, 0,      222, 0, 0x7FFE};
        QCOMPARE(rig->device->values(sim::Table::Holding, 0x2001, 20), expected);
        QCOMPARE(rig->frames(16, 0x2001), 1);
    }

    // A user's choice brings the type's range; a file holding the same type keeps its own.
    void rangeDefaultsOnlyOnAChoice()
    {
        open();
        page->getButton()->click();
        choose(page->typeCombo(3), 8); // proud 4-20 mA
        QCOMPARE(range(3), (QStringList{"400", "2000"}));
        QVERIFY(rangeEnabled(3));
        QVERIFY(page->isChanged());
        typeInto(page->rangeStart(3), "500");

        const QString file = rig->dir.file(QStringLiteral("euv6.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        const QStringList keys = Profile(file).keys(QStringLiteral("cForm10"));
        QCOMPARE(keys.mid(0, 7),
                 (QStringList{"c10ZdTextEdit", "c10SkSpdComboBox", "c10SkAdrComboBox",
                              "c10ZdInt0ComboBox", "c10AuIl0ScrollBar", "c10AuIh0ScrollBar",
                              "c10ZdOff0ScrollBar"}));
        QCOMPARE(keys.size(), 3 + 4 * 4 + 1);
        QCOMPARE(keys.last(), QStringLiteral("mmShowHint"));

        choose(page->typeCombo(3), 0);
        QVERIFY(offsetEnabled(3));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->typeCombo(3)->currentIndex(), 8);
        QCOMPARE(range(3), (QStringList{"500", "2000"}));
        QVERIFY(rangeEnabled(3));
        QVERIFY(!page->isChanged());
        QCOMPARE(rig->prompts.count(ScriptedPrompts::Kind::Message), 0);
    }

    // What is typed, what the edit then shows and what a write sends.
    void entries_data()
    {
        QTest::addColumn<bool>("offset"); // AI.0's correction, else AI.1's range start
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("invalid");
        const QString none;
        QTest::newRow("correction above 100")
            << true << none << "150"
            << "100,0" << 1000 << "Můžete zadat pouze hodnoty od -100,0 do 100,0" << false;
        QTest::newRow("correction kept truncated") << true << "12,3"
                                                   << "12,36"
                                                   << "12,3" << 123 << none << false;
        QTest::newRow("correction no number") << true << none << "1,2,3"
                                              << "0,0" << 0 << none << true;
        QTest::newRow("range above")
            << false << none << "40000"
            << "32766" << 32766 << "Můžete zadat pouze hodnoty od -32767 do 32766" << false;
        QTest::newRow("range below")
            << false << none << "-40000"
            << "-32767" << -32767 << "Můžete zadat pouze hodnoty od -32767 do 32766" << false;
        QTest::newRow("range negative") << false << none << "-5"
                                        << "-5" << -5 << none << false;
        QTest::newRow("range not whole") << false << none << "1,5"
                                         << "0" << 0 << none << true;
    }
    void entries()
    {
        QFETCH(bool, offset);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, position);
        QFETCH(QString, warning);
        QFETCH(bool, invalid);
        open();
        page->getButton()->click();
        TNumericField *field = offset ? page->off(0) : page->rangeStart(1);
        if (!before.isEmpty())
            typeInto(field, before);
        rig->prompts.clear();
        typeInto(field, typed);
        QCOMPARE(field->edit()->text(), shown);
        QCOMPARE(field->position(), position);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(page->invalidInput(), invalid);
        QCOMPARE(rig->prompts.beeps(), invalid ? 1 : 0);
        const int prompts = rig->prompts.count();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts().mid(prompts), QStringList());
        QCOMPARE(field->position(), position);
        QCOMPARE(rig->device->holding(offset ? 0x2009 : 0x200E), quint16(position));
    }

    void keyFilters()
    {
        open();
        page->getButton()->click(); // AI.1 measures a voltage
        page->rangeEnd(1)->edit()->clear();
        QTest::keyClicks(page->rangeEnd(1)->edit(), "-5,0");
        QCOMPARE(page->rangeEnd(1)->edit()->text(), QStringLiteral("-50"));
        page->off(0)->edit()->clear();
        QTest::keyClicks(page->off(0)->edit(), "-1,5a");
        QCOMPARE(page->off(0)->edit()->text(), QStringLiteral("-1,5"));
        QCOMPARE(rig->prompts.beeps(), 2);
    }

    void liveValuesByType()
    {
        open();
        // AI.0 Pt 1000, AI.1 0-10 V, AI.2 4-20 mA, AI.3 Ni 1000.
        rig->device->setValues(sim::Table::Holding, 0x2007, {0x0230, 0x4000});
        rig->device->setValues(sim::Table::Holding, 0x0000,
                               {231, 523, quint16(-10), quint16(-100)});
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc10extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo[0]->text(), QStringLiteral("23,1"),
                                  5000);
        const QStringList shown = {live->measureTemperatureMemo[1]->text(),
                                   live->measureTemperatureMemo[2]->text(),
                                   live->measureTemperatureMemo[3]->text()};
        QCOMPARE(shown, (QStringList{"523", "-10", "-10,0"}));
        QVERIFY(!live->measureTemperatureULabel[0]->isHidden());
        QVERIFY(live->measureTemperatureULabel[1]->isHidden());
        QVERIFY(live->measureTemperatureULabel[2]->isHidden());
        QVERIFY(!live->measureTemperatureULabel[3]->isHidden());
        QCOMPARE(live->findChild<QLabel *>("measureTemperatureU2Label"),
                 live->measureTemperatureULabel[2]);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(Euv6Test)
#include "tst_euv6.moc"
