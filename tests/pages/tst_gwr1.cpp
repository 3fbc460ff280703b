// GWR1 page against the simulated module: its blocks and commands (one register at 0x0008,
// the correction screen's register 0x0044 of its own), the display options, the fast
// choices without humidity, and the other module refused.

#include "WallFixture.h"
#include "pages/sensors/TcForm14.h"
#include "pages/sensors/WallLive.h"
#include "platform/Profile.h"

#include <QGroupBox>

#include <QPushButton>

class Gwr1Test : public QObject
{
    Q_OBJECT

    std::unique_ptr<WallRig> rig;
    std::unique_ptr<TcForm14> page;

    void open(const QString &model = QStringLiteral("GWR1"))
    {
        QVERIFY(rig->startModule(model));
        page = std::make_unique<TcForm14>();
        rig->shell.page = page.get();
    }

private slots:
    void init() { rig = std::make_unique<WallRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void readAndWriteFollowTheRegisterMap()
    {
        open();
        rig->device->setHolding(0x0044, 0x0402);
        rig->device->setHolding(0x0020, 1);
        rig->device->setHolding(0x0008, quint16(-20));
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        const QStringList read = {"4:0010:8", "4:0018:4", "3:0008:2", "3:001D:5", "3:0028:29",
                                  "3:004C:64"};
        QCOMPARE(rig->requests(), read);
        QCOMPARE(page->correctionBarGraph->currentText(), QStringLiteral("absolutní bargraf"));
        QCOMPARE(page->correctionText->currentText(), QStringLiteral("Žádaná teplota"));
        QCOMPARE(page->startBarGraph->currentText(), QStringLiteral("relativní bargraf"));
        QCOMPARE(page->reqTemp->edit()->text(), QStringLiteral("-2,0"));
        QVERIFY(!page->findChild<QWidget *>("reqHumidityMaskEdit"));
        QCOMPARE(page->fastUp->count(), 5);

        choose(page->startBarGraph, 3);
        typeInto(page->off, "1,5");
        const int before = rig->requestCount();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        // Identification, the backup's read of the blocks, then the write.
        QStringList expected = QStringList{"4:0010:8"} + read.mid(2) + QStringList{"16:0008=FFEC"};
        expected << handshake("C001") << "16:001D:5" << handshake("C002") << "16:0028:14"
                 << "16:0044=0402" << "16:004C:32" << "16:006C:16" << "16:007C:16"
                 << handshake("C003") << "3:0008:2" << "3:001D:5" << "3:0028:29"
                 << "3:004C:64";
        QCOMPARE(rig->requests(before), expected);
        QCOMPARE(rig->reg(0x0044), quint16(0x0402));
        QCOMPARE(rig->reg(0x0020), quint16(3));
        QCOMPARE(rig->reg(0x004C), quint16(15));
        for (int a : {0x001F, 0x004D, 0x0053, 0x005A, 0x005B})
            QCOMPARE(rig->reg(a), quint16(0xFFFF));
    }

    void humidityChoiceLeavesNoSelection()
    {
        open();
        rig->device->setHolding(0x001D, 20);
        page->getButton()->click();
        QCOMPARE(page->fastUp->currentIndex(), -1);
        QVERIFY(!isRed(labelNamed(page.get(), "fastChoiceUpLabel")));
        page->sendButton()->click();
        QCOMPARE(rig->prompts.lastText(), message(13));
        QVERIFY(isRed(labelNamed(page.get(), "fastChoiceUpLabel")));
        QVERIFY(!isRed(labelNamed(page.get(), "fastChoiceDownLabel")));
        QCOMPARE(rig->frames(16), 0);
        choose(page->fastUp, 0);
        QVERIFY(!isRed(labelNamed(page.get(), "fastChoiceUpLabel")));
    }

    void savedKeysInOrder()
    {
        open();
        const QString file = QDir::current().filePath("gwr1.ini");
        QVERIFY(page->saveControls(file, "cForm14"));
        const QStringList keys = Profile(file).keys(QStringLiteral("cForm14"));
        QCOMPARE(keys.mid(0, 14),
                 (QStringList{"c14ZdTextEdit", "c14ZdOffScrollBar", "c14SkAdrComboBox",
                              "c14SkSpdComboBox", "c14ReqTempLowLimitScrollBar",
                              "c14ReqTempHighLimitScrollBar", "c14ReqTempScrollBar",
                              "c14BOTValueComboBoxEx", "c14ReqTempFormatComboBoxEx",
                              "c14TextReqTempComboBox", "c14DigitalOutTypeRadioGroup",
                              "c14DigitalOutTopScrollBar", "c14DigitalOutPrescScrollBar",
                              "c14LCDcontrastScrollBar"}));
        QCOMPARE(keys.size(), 10 + 4 + 3 + 3 + 2 + 48 + 1);
        QCOMPARE(keys.last(), QStringLiteral("mmShowHint"));
        QCOMPARE(keys.at(keys.size() - 2), QStringLiteral("c14Symbol16Mode3ComboBoxEx"));
    }

    void liveWindowWithoutHumidity()
    {
        open();
        rig->device->setHolding(0x0000, 234);
        rig->device->setHolding(0x0012, 0);
        rig->device->setHolding(0x0059, 1); // mode 3: one state, picture 70 shows as 58
        rig->device->setHolding(0x007C, 70);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc14extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("23,4"), 5000);
        QVERIFY(!live->measuredHumMemo);
        QCOMPARE(live->findChild<QGroupBox *>("temperatureGroupBox")->title(),
                 QStringLiteral("Měřená teplota"));
        QTRY_COMPARE(live->reqMode[2]->count(), 1);
        QCOMPARE(live->reqMode[2]->currentIndex(), 0);
        QVERIFY(rig->requests().contains("3:0000:1"));
        QVERIFY(!rig->requests().contains("3:0000:2"));
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    void otherModuleRefused()
    {
        open(QStringLiteral("CWR1"));
        page->getButton()->click();
        QCOMPARE(rig->prompts.lastText(), message(9));
        QCOMPARE(rig->frames(16), 0);
    }
};

QTEST_MAIN(Gwr1Test)
#include "tst_gwr1.moc"
