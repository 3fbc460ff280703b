// E-7PZ page against the simulated E-7PZ: entry of times and temperatures (exact decimals,
// 2 ms steps, truncation, bounds), decoding of the block, the dead band (both limits at
// once, the diagram's drag), selections checked before writing, the mode bits by the
// page's own state, the Send countdown, configuration files and the live window.

#include "ConverterFixture.h"
#include "pages/controllers/TcForm2.h"
#include "pages/framework/Countdown.h"
#include "pages/framework/Shape.h"
#include "platform/Profile.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

class E7pzTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm2> page;

    void open(const QByteArray &identification = QByteArray())
    {
        QVERIFY(rig->start(QStringLiteral("E-7PZ")));
        if (!identification.isEmpty())
            rig->device->setIdentification(sim::kClassicIdentification, identification);
        page = std::make_unique<TcForm2>();
        rig->shell.page = page.get();
    }
    QVector<quint16> block() const { return rig->device->values(sim::Table::Holding, 0x2000, 20); }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void entry_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("warning");
        QTest::newRow("odd milliseconds go up") << "c2ZdTer" << "0,005" << 3 << "0,006" << "";
        QTest::newRow("half a second") << "c2ZdTer" << "0,501" << 251 << "0,502" << "";
        QTest::newRow("failure time above")
            << "c2ZdTer" << "200" << 65535 << "131,070"
            << "Můžete zadat pouze hodnoty od 0,002 do 131,070";
        QTest::newRow("dead time exactly") << "c2ZdEtv" << "1,001" << 1001 << "1,001" << "";
        QTest::newRow("dead time cut") << "c2ZdEtv" << "0,0019" << 1 << "0,001" << "";
        QTest::newRow("travel time below")
            << "c2ZdTp" << "0,05" << 1 << "0,1" << "Můžete zadat pouze hodnoty od 0,1 do 6553,5";
        QTest::newRow("temperature truncated") << "c2AuPzh" << "12,39" << 123 << "12,3" << "";
        QTest::newRow("negative truncated") << "c2AuPzh" << "-12,39" << -123 << "-12,3" << "";
        QTest::newRow("correction above")
            << "c2ZdOff1" << "100,01" << 1000 << "100,0"
            << "Můžete zadat pouze hodnoty od -100,0 do 100,0";
        QTest::newRow("not a number") << "c2AuPzh" << "abc" << 0 << "0,0" << "";
        QTest::newRow("not a time") << "c2ZdTp" << "1,,2" << 1 << "0,1" << "";
    }
    void entry()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, typed);
        QFETCH(int, position);
        QFETCH(QString, shown);
        QFETCH(QString, warning);
        open();
        page->autonomous()->setChecked(true);
        TNumericField *f = page->field(prefix);
        QVERIFY(f);
        f->setPosition(f->bar()->minimum() + 7);
        typeInto(f, typed);
        QCOMPARE(f->position(), position);
        QCOMPARE(f->edit()->text(), shown);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        const bool bad = typed == "abc" || typed == "1,,2";
        QCOMPARE(page->invalidInput(), bad);
        QCOMPARE(rig->prompts.beeps() > 0, bad);
    }

    void readDecodesTheBlock()
    {
        open("E 7PZ");
        rig->device->setHolding(0x200F, 0x8000);
        rig->device->setHolding(0x2010, 0x1900);
        rig->device->setHolding(0x2007, 0xC803); // 200 % and sensor 3
        rig->device->setHolding(0x2006, 0);
        rig->device->setHolding(0x200E, 0x00FF);
        rig->device->setHolding(0x2001, 0x4142);
        rig->device->setHolding(0x2002, 0x0043);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->field("c2AuPzh")->edit()->text(), QStringLiteral("-100,0"));
        QCOMPARE(page->field("c2AuElo")->edit()->text(), QStringLiteral("600,0"));
        QCOMPARE(page->findChild<QComboBox *>("c2ZdSpComboBox")->currentIndex(), 100);
        QCOMPARE(page->sensorCombo()->currentIndex(), -1);
        QCOMPARE(page->field("c2ZdTer")->position(), 1);
        QCOMPARE(page->textEdit()->text(), QStringLiteral("AB"));
        QCOMPARE(page->addressList()->currentIndex(), -1);
        QCOMPARE(page->speedCombo()->currentIndex(), -1);
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QCOMPARE(rig->frames(16), 0);
        for (const char *label : {"c2SkAdrLabel", "c2SkSpdLabel", "c2ZdIntLabel"})
            QVERIFY2(isRed(labelNamed(page.get(), label)), label);
    }

    void everySelectionIsCheckedBeforeWriting()
    {
        open();
        page->getButton()->click();
        // A radio group or list without selection never reaches a register as -1.
        page->pid()->setItemIndex(-1);
        page->tdCombo()->setCurrentIndex(-1);
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QCOMPARE(rig->frames(16), 0);
        QVERIFY(page->pid()->property("invalidMark").toBool());
        QVERIFY(isRed(labelNamed(page.get(), "c2AuTdLabel")));
        // Choosing an item takes the group's mark away; the list's label stays red.
        page->pid()->setItemIndex(0);
        QVERIFY(!page->pid()->property("invalidMark").toBool());
        QVERIFY(isRed(labelNamed(page.get(), "c2AuTdLabel")));
        page->pid()->setItemIndex(-1);
        QVERIFY(!page->validateSelections());
        QVERIFY(page->pid()->property("invalidMark").toBool());
        // (The countdown keeps the Get button locked for a while.)
        page->readAll();
        QVERIFY(!page->pid()->property("invalidMark").toBool());
        QVERIFY(!isRed(labelNamed(page.get(), "c2AuTdLabel")));
    }

    void writeSendsTheBlockWithModeBitsByState()
    {
        open();
        page->getButton()->click();
        page->textEdit()->setText(QStringLiteral("AB"));
        page->autonomous()->setChecked(true);
        page->equithermal()->setChecked(true);
        page->pid()->setItemIndex(1);
        page->heatCool()->setItemIndex(1);
        rig->clock.clearWaits();
        page->c2SendButtonClick();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(500));
        // Written while the progress dialog disabled the page: the bits are there all the same.
        QCOMPARE(rig->device->holding(0x2000), quint16(0x1D40));
        const QVector<quint16> text = {0x4142, 0, 0, 0, 0};
        QCOMPARE(block().mid(1, 5), text);
        QCOMPARE(block().mid(6), (QVector<quint16>{1000, 0x3202, 1200, 0x0A5A, 0x3202, 500, 0, 0,
                                                   0x0104, 215, 600, 300, 0x140A, 0x0500}));
        // Autonomous mode off: its three bits go as 0 while the boxes still show them, and
        // the read-back compares equal.
        page->autonomous()->setChecked(false);
        QVERIFY(page->equithermal()->isChecked());
        page->c2SendButtonClick();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x2000) >> 8, 0x00);
        QCOMPARE(int(page->packModeFlags()), 0);
    }

    void deadBandTakesBothLimits()
    {
        open();
        rig->device->setHolding(0x2009, 0x2850); // Min 40, Max 80
        page->maxBar()->setValue(30);
        page->getButton()->click();
        QCOMPARE(page->minBar()->value(), 40);
        QCOMPARE(page->maxBar()->value(), 80);
        QCOMPARE(labelNamed(page.get(), "c2ZdVminLabel")->text(), QStringLiteral("Min = 40"));
        // Saved and loaded into a page at Max 30: still 40 and 80.
        const QString file = rig->dir.file(QStringLiteral("e7pz.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        page->setDeadBand(0, 30);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->minBar()->value(), 40);
        QCOMPARE(page->maxBar()->value(), 80);
        // A device with Min above Max: Min goes down to Max, once.
        rig->device->setHolding(0x2009, 0x5028);
        page->getButton()->click();
        QCOMPARE(page->minBar()->value(), 40);
        QCOMPARE(page->maxBar()->value(), 40);
        // A user's move of Max below Min stops at Min.
        page->setDeadBand(50, 60);
        page->maxBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        page->maxBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        page->maxBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(page->maxBar()->value(), 50);
    }

    void diagramDrag()
    {
        open();
        page->setDeadBand(20, 80); // mid 50
        page->show();
        QWidget *d = page->diagram();
        QTest::mousePress(d, Qt::LeftButton, {}, QPoint(30, 50));
        QTest::mouseMove(d, QPoint(30, 50));
        QCOMPARE(page->minBar()->value(), 31);
        QCOMPARE(page->dragMode(), TcForm2::DragMode::Min);
        // The midpoint moves with Min; past it the drag still moves Min only.
        QTest::mouseMove(d, QPoint(50, 10));
        QTest::mouseMove(d, QPoint(60, 10));
        QCOMPARE(page->minBar()->value(), 61);
        QTest::mouseMove(d, QPoint(90, 10));
        QCOMPARE(page->minBar()->value(), 61);
        QCOMPARE(page->maxBar()->value(), 80);
        QTest::mouseRelease(d, Qt::LeftButton, {}, QPoint(90, 10));
        QCOMPARE(page->dragMode(), TcForm2::DragMode::None);
        // Moves without a button change nothing.
        QTest::mouseMove(d, QPoint(10, 10));
        QCOMPARE(page->minBar()->value(), 61);
        // Right of the midpoint: Max from the height, never below Min.
        QTest::mousePress(d, Qt::RightButton, {}, QPoint(90, 5));
        QTest::mouseMove(d, QPoint(90, 5));
        QCOMPARE(page->maxBar()->value(), 95);
        QTest::mouseMove(d, QPoint(95, 90));
        QCOMPARE(page->maxBar()->value(), 61);
        QCOMPARE(page->minBar()->value(), 61);
        QTest::mouseRelease(d, Qt::RightButton, {}, QPoint(95, 90));
    }

    void sendCountdown()
    {
        open();
        page->show();
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        page->getButton()->click();
        page->textEdit()->setText("Okruh 2");
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(!page->sendButton()->isEnabled());
        QVERIFY(!page->getButton()->isEnabled());
        // The focus in the customer text: the locked Send's Alt+U types nothing.
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        page->textEdit()->setFocus();
        page->textEdit()->setCursorPosition(7);
        QTRY_COMPARE(QApplication::focusWidget(), page->textEdit());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
        QCOMPARE(page->textEdit()->text(), QString("Okruh 2"));
        QTRY_COMPARE_WITH_TIMEOUT(page->sendButton()->text(), QStringLiteral("(3)"), 1500);
        QTRY_COMPARE_WITH_TIMEOUT(page->sendButton()->text(), QStringLiteral("(2)"), 1500);
        QTRY_COMPARE_WITH_TIMEOUT(page->sendButton()->text(), QStringLiteral("(1)"), 1500);
        QVERIFY(!page->getButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(page->sendButton()->text(), QStringLiteral("&Uložit data"), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(page->sendButton()->isEnabled() && page->getButton()->isEnabled(),
                                 1000);
        QCOMPARE(page->countdown()->saveTimer()->interval(), 4100);
        const int writes = rig->frames(16);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(rig->frames(16) > writes);
        // "Okruh 2" as typed, no "u" behind it.
        QCOMPARE(rig->device->holding(0x2003), quint16(0x6820));
        QCOMPARE(rig->device->holding(0x2004), quint16(0x3200));
    }

    void configurationFile()
    {
        open();
        const QString file = rig->dir.file(QStringLiteral("e7pz.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        Profile saved(file);
        QCOMPARE(saved.keys("cForm2"),
                 (QStringList{"c2ZdTextEdit", "c2ZdTerScrollBar", "c2SkSpdComboBox",
                              "c2SkAdrComboBox", "c2AutCheckBox", "c2IoCheckBox",
                              "c2ZdIntComboBox", "c2AuPzhScrollBar", "c2AuEloScrollBar",
                              "c2AuEhlScrollBar", "c2ZdOff1ScrollBar", "c2ZdOff2ScrollBar",
                              "c2AuKpComboBox", "c2AuTiComboBox", "c2AuTdComboBox", "c2EktCheckBox",
                              "c2OhChRadioGroup", "c2PidRadioGroup", "c2ZdEtvScrollBar",
                              "c2ZdTpScrollBar", "c2ZdSpComboBox", "c2ZdVkmnComboBox",
                              "c2ZdHysComboBox", "c2NMinRadioGroup", "c2NMaxRadioGroup",
                              "c2RSynRadioGroup", "c2RUpCheckBox", "c2RDnCheckBox",
                              "c2RMinCheckBox", "c2RMaxCheckBox", "c2RRxCheckBox",
                              "c2ZdVminScrollBar", "c2ZdVmaxScrollBar", "mmShowHint"}));
        // Missing keys take their defaults; the equithermal box enables its fields.
        saved.eraseSection("cForm2");
        saved.writeBool("cForm2", "c2AutCheckBox", true);
        saved.writeBool("cForm2", "c2EktCheckBox", true);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->field("c2ZdEtv")->position(), 1);
        QCOMPARE(page->lowerBand()->itemIndex(), 1);
        QCOMPARE(page->textEdit()->text(), QStringLiteral("Text"));
        QVERIFY(page->field("c2AuElo")->edit()->isEnabled());
        QVERIFY(!page->field("c2AuPzh")->edit()->isEnabled());
        QVERIFY(!page->speedCombo()->isEnabled());
        QVERIFY(!page->tdCombo()->isEnabled());
    }

    void liveWindow()
    {
        open();
        rig->device->setHolding(0x0000, quint16(-52));
        rig->device->setHolding(0x0001, 452);
        rig->device->setHolding(0x0002, 0x4B32);
        rig->device->setHolding(0x0003, 0x3C11);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc2extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->AI0TemperatureMemo->text(), QStringLiteral("-5,2"), 5000);
        QCOMPARE(live->AI1TemperatureMemo->text(), QStringLiteral("45,2"));
        QCOMPARE(live->actionShotMemo->text(), QStringLiteral("75"));
        QCOMPARE(live->requirePositionMemo->text(), QStringLiteral("50"));
        QCOMPARE(live->actualPositionMemo->text(), QStringLiteral("60"));
        QCOMPARE(live->DOShape[0]->brushColor(), QColor(Qt::red));
        QCOMPARE(live->DOShape[1]->brushColor(), QColor(0x80, 0, 0));
        QCOMPARE(live->DOShape[4]->brushColor(), QColor(Qt::red));
        QCOMPARE(live->DOShape[4]->toolTip(), QStringLiteral("Stav výstupu DO.4"));
        QCOMPARE(live->findChild<QTimer *>("Timer")->interval(), 350);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    void modelMovesItsValve()
    {
        auto d = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("E-7PZ")));
        const quint16 before = d->holding(0x0000);
        d->tick(15000);
        QVERIFY(d->holding(0x0000) != before);
        const int required = d->holding(0x0002) & 0xFF;
        QVERIFY(required >= 10 && required <= 90);
        d->tick(120000);
        QCOMPARE(d->holding(0x0003) >> 8, d->holding(0x0002) & 0xFF);
    }
};

QTEST_MAIN(E7pzTest)
#include "tst_e7pz.moc"
