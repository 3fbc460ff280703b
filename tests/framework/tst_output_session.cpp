// The output-test session on its own, as a page without digital I/O (the E-7PZ's use) sees
// it: a plan of snapshot, test.ini and test state, a window that restores as it closes, a
// test.ini that cannot be written, which stops the test before the module is touched, and one
// test at a time while the live reader still has commands queued.

#include "FrameworkFixture.h"
#include "pages/framework/OutputTest.h"
#include "tests/support/ScriptedPrompts.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

namespace {

class RestoringWindow : public TOutputTestForm
{
public:
    explicit RestoringWindow(TComponentForm &page)
        : TOutputTestForm(page, QStringLiteral("cForm20Test"), QStringLiteral("Test"))
    {
    }

protected:
    std::vector<TestWrite> restoreWrites(const TTestFile &file) override
    {
        return {{0x2020, {quint16(file.word(QStringLiteral("kept"), 0))}}};
    }
};

struct SessionPage : TestPage {
    using TestPage::prepareOutputTest;
};

} // namespace

class OutputSessionTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrameworkRig> rig;

    OutputTestPlan plan(SessionPage &page, bool blockTheFile)
    {
        OutputTestPlan p;
        p.start = 0x2020;
        p.count = 2;
        p.afterSnapshot = [this, blockTheFile](const QString &) {
            // Something in the way of the file: a directory of its name.
            if (blockTheFile)
                QDir(rig->dir.file(".")).mkdir("test.ini");
        };
        p.entries = [](const std::vector<quint16> &r) {
            return std::vector<TestEntry>{{QStringLiteral("kept"), qint16(r[0])}};
        };
        p.preparation = [](const TTestFile &) { return std::vector<TestWrite>{{0x2020, {7, 8}}}; };
        p.openWindow = [&page] {
            auto *w = new RestoringWindow(page);
            w->show();
            return w;
        };
        return p;
    }

private slots:
    void init()
    {
        rig = std::make_unique<FrameworkRig>();
        QVERIFY(rig->start(makeTestDevice()));
    }
    void cleanup() { rig.reset(); }

    void snapshotTestStateAndRestore()
    {
        SessionPage page;
        rig->shell.page = &page;
        page.show();
        rig->device->setValues(sim::Table::Holding, 0x2020, {40000, 3});
        std::vector<Outcome> told;
        QObject::connect(&page, &TComponentForm::testStepDone,
                         [&told](const Outcome &o) { told.push_back(o); });
        const Outcome started = page.prepareOutputTest(plan(page, false));
        QVERIFY(started.ok());
        QVERIFY(started.written == (std::vector<RegisterSpan>{{0x2020, 2}}));
        // Words are kept signed, as the E-7PZ's file has them.
        QVERIFY(rig->dir.read("test.ini").contains("kept=-25536"));
        QCOMPARE(rig->device->holding(0x2020), quint16(7));
        QVERIFY(!page.isEnabled());
        QPointer<QWidget> w(page.testWindow());
        QVERIFY(w);
        w->close();
        QCOMPARE(rig->device->holding(0x2020), quint16(40000));
        QVERIFY(!rig->dir.exists("test.ini"));
        QVERIFY(page.isEnabled());
        // The page heard both steps: the start, then the restore with what it wrote back.
        QCOMPARE(told.size(), size_t(2));
        QVERIFY(told[0].ok());
        QVERIFY(told[1].ok());
        QVERIFY(told[1].written == (std::vector<RegisterSpan>{{0x2020, 1}}));
    }

    void fileThatCannotBeWrittenLeavesTheModule()
    {
        SessionPage page;
        rig->shell.page = &page;
        page.show();
        rig->device->setValues(sim::Table::Holding, 0x2020, {5, 6});
        const Outcome o = page.prepareOutputTest(plan(page, true));
        QCOMPARE(int(o.kind), int(Outcome::Kind::Failed));
        QCOMPARE(o.error, -1);
        QVERIFY(o.written.empty());
        QCOMPARE(rig->frames(16), 0);
        QCOMPARE(rig->device->holding(0x2020), quint16(5));
        QCOMPARE(rig->prompts.texts(), QStringList{o.message});
        QCOMPARE(o.message, QString("Nastavení prvku nelze uložit do souboru test.ini. Test "
                                    "nebyl spuštěn, nastavení prvku se nezměnilo."));
        QVERIFY(!page.testWindow());
        QVERIFY(page.isEnabled());
    }

    // While a test window is open a second start is refused, the buttons stay locked, and a
    // read or write the live reader still has queued does not run inside the test; once the
    // window has closed, Get works again.
    void oneTestAtATime()
    {
        SessionPage page;
        rig->shell.page = &page;
        page.show();
        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = static_cast<TestLive *>(page.liveWindow());
        QVERIFY(live);
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->readCount() > 0, 5000);
        QVERIFY(page.prepareOutputTest(plan(page, false)).ok());
        QPointer<QWidget> w(page.testWindow());
        QVERIFY(w);
        QCOMPARE(int(page.prepareOutputTest(plan(page, false)).kind), int(Outcome::Kind::Refused));
        QCOMPARE(rig->frames(16, 0x2020), 1);
        QVERIFY(!page.getButton()->isEnabled());
        QVERIFY(!page.sendButton()->isEnabled());

        live->reader()->handOver(1);
        live->reader()->handOver(2);
        const int reads = live->reader()->readCount();
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->readCount() > reads + 1, 5000);
        QCOMPARE(live->reader()->pendingCommands(), 0);
        QCOMPARE(rig->frames(3, 0x2001), 0);
        QCOMPARE(rig->frames(16, 0x2001), 0);

        w->close();
        QTRY_VERIFY(w.isNull());
        QVERIFY(page.getButton()->isEnabled());
        QVERIFY(page.sendButton()->isEnabled());
        QTest::mouseClick(page.getButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(rig->frames(3, 0x2001), 1, 5000);
        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page.liveWindow());
    }
};

QTEST_MAIN(OutputSessionTest)
#include "tst_output_session.moc"
