// T6yR page against the simulated T6yR: unsigned registers, the sensitivity and response
// time in one register, selections a write needs, entries with their steps and bounds,
// configuration keys and the unsigned live values.

#include "ConverterFixture.h"
#include "pages/sensors/TcForm5.h"
#include "platform/Profile.h"

#include <QPushButton>

class T6yRTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm5> page;

    void open()
    {
        QVERIFY(rig->start(QStringLiteral("T6yR")));
        page = std::make_unique<TcForm5>();
        rig->shell.page = page.get();
    }
    QVector<quint16> block() const { return rig->device->values(sim::Table::Holding, 0x2001, 9); }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void readsAndWritesUnsignedValues()
    {
        open();
        // 40000 for 100 %; "SW maskovaní 1 lsb" and 1,4 s; address 0 at 9600 Bd.
        rig->device->setValues(sim::Table::Holding, 0x2006, {1000, 40000, 0x0307, 0x0003});
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->zero()->edit()->text(), QStringLiteral("1000"));
        QCOMPARE(page->full()->edit()->text(), QStringLiteral("40000"));
        QCOMPARE(page->full()->position(), 40000);
        QCOMPARE(page->sensitivityCombo()->currentText(), QStringLiteral("SW maskovaní 1 lsb"));
        QCOMPARE(page->delay()->edit()->text(), QStringLiteral("1,4"));
        QCOMPARE(page->addressList()->currentIndex(), -1);
        QCOMPARE(page->speedCombo()->currentText(), QStringLiteral("9600"));
        QCOMPARE(page->panelText(3), QStringLiteral("Firmware: 103"));

        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QVERIFY(isRed(labelNamed(page.get(), "c5SkAdrLabel")));
        QCOMPARE(rig->writes(), 0);

        page->addressList()->setCurrentIndex(4);
        rig->prompts.clear();
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(500));
        const QVector<quint16> expected = {0x5436, 0x7952, 0, 0, 0, 1000, 40000, 0x0307, 0x0503};
        QCOMPARE(block(), expected);

        // A sensitivity of no item: the list stays empty and writing is refused.
        rig->device->setHolding(0x2008, 0x0B00);
        page->getButton()->click();
        QCOMPARE(page->sensitivityCombo()->currentIndex(), -1);
        QCOMPARE(page->delay()->edit()->text(), QStringLiteral("0,0"));
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QVERIFY(isRed(labelNamed(page.get(), "c5SkCitLabel")));
    }

    // What is typed, what the edit then shows and what a write sends.
    void entries_data()
    {
        QTest::addColumn<int>("field"); // 0 the 0 % value, 1 the 100 % value, 2 the response
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("invalid");
        const QString none;
        QTest::newRow("odd tenths go up") << 2 << none << "1,3"
                                          << "1,4" << 7 << none << false;
        QTest::newRow("0,1 s") << 2 << none << "0,1"
                               << "0,2" << 1 << none << false;
        QTest::newRow("kept as the step below") << 2 << "1,2"
                                                << "1,27"
                                                << "1,2" << 6 << none << false;
        QTest::newRow("above 51 s")
            << 2 << none << "60"
            << "51,0" << 255 << "Můžete zadat pouze hodnoty od 0,0 do 51,0" << false;
        QTest::newRow("up to 51 s") << 2 << none << "50,95"
                                    << "51,0" << 255 << none << false;
        QTest::newRow("response no number") << 2 << none << ","
                                            << "0,0" << 0 << none << true;
        QTest::newRow("above 65535")
            << 0 << none << "70000"
            << "65535" << 65535 << "Můžete zadat pouze hodnoty od 0 do 65535" << false;
        QTest::newRow("above 32767") << 1 << none << "40000"
                                     << "40000" << 40000 << none << false;
        QTest::newRow("not whole") << 1 << none << "1,5"
                                   << "0" << 0 << none << true;
    }
    void entries()
    {
        QFETCH(int, field);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, position);
        QFETCH(QString, warning);
        QFETCH(bool, invalid);
        open();
        page->getButton()->click();
        TNumericField *f = field == 0 ? page->zero() : field == 1 ? page->full() : page->delay();
        if (!before.isEmpty())
            typeInto(f, before);
        rig->prompts.clear();
        typeInto(f, typed);
        QCOMPARE(f->edit()->text(), shown);
        QCOMPARE(f->position(), position);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(page->invalidInput(), invalid);
        page->sendButton()->click();
        const quint16 written = rig->device->holding(0x2006 + qMin(field, 2));
        QCOMPARE(field == 2 ? written & 0xFF : written, position);
    }

    void configurationKeys()
    {
        open();
        page->getButton()->click();
        const QString file = rig->dir.file(QStringLiteral("t6yr.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        const Profile saved(file);
        QCOMPARE(saved.keys(QStringLiteral("cForm5")),
                 (QStringList{"c5ZdTextEdit", "c5SkCitComboBox", "c5SkSpdComboBox",
                              "c5SkAdrComboBox", "c5ZdNprScrollBar", "c5ZdSprScrollBar",
                              "c5ZdTodScrollBar", "mmShowHint"}));
        QCOMPARE(saved.readInteger("cForm5", "c5ZdSprScrollBar", 0), 40000);
        QCOMPARE(saved.readInteger("cForm5", "c5ZdTodScrollBar", 0), 5);
        typeInto(page->full(), "1");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->full()->edit()->text(), QStringLiteral("40000"));
        QCOMPARE(page->delay()->edit()->text(), QStringLiteral("1,0"));
        QVERIFY(!page->isChanged());
    }

    void liveValuesAreUnsigned()
    {
        open();
        rig->device->setValues(sim::Table::Holding, 0x0004, {40000, 755});
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc5extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureIntenzityMemo->text(), QStringLiteral("40000"),
                                  5000);
        QCOMPARE(live->measurePercentIntenzityMemo->text(), QStringLiteral("75,5"));
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(T6yRTest)
#include "tst_t6yr.moc"
