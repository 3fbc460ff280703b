// The polling threads (live reader, input test) and the real main window: the user picks
// another port in the serial view while a thread polls. The thread keeps the port settings
// it was started with (the lists are the user-interface thread's), and the serial view's
// port test waits for the thread's exchange instead of opening the port under it.

#include "FrameworkFixture.h"
#include "pages/framework/InputTest.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "tests/support/ScriptedPrompts.h"

#include <QComboBox>
#include <QtTest>

namespace {

class TestInputPoll : public TInputTestPoll
{
public:
    using TInputTestPoll::TInputTestPoll;
    std::atomic<int> polls{0};

protected:
    void poll() override
    {
        checkIdentification({QStringLiteral("T4yJ")});
        readRegisters(0x0000, 1);
        ++polls;
        show([] {});
    }
};

class TestInputWindow : public TInputTestForm
{
public:
    explicit TestInputWindow(TComponentForm &page)
        : TInputTestForm(page, QStringLiteral("cForm20TestDI"), QStringLiteral("Test vstupů"))
    {
    }
};

int polls(const sim::Server &server)
{
    int n = 0;
    for (const sim::Frame &f : server.frames())
        n += quint8(f.bytes[1]) == 3 && f.bytes[2] == 0 && f.bytes[3] == 0;
    return n;
}

} // namespace

class PortSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void threadKeepsItsPortWhileTheListChanges_data()
    {
        QTest::addColumn<bool>("inputTest");
        QTest::newRow("live reader") << false;
        QTest::newRow("input test") << true;
    }

    void threadKeepsItsPortWhileTheListChanges()
    {
        QFETCH(bool, inputTest);
        WorkingDir dir;
        ScriptedPrompts prompts;
        sim::Server first(makeTestDevice()), second(makeTestDevice());
        first.setTickInterval(0);
        second.setTickInterval(0);
        QVERIFY(first.start());
        QVERIFY(second.start());
        dir.mapPorts({{1, first.path()}, {2, second.path()}});

        PageRegistry registry;
        TmForm form(registry);
        form.serialNameComboBox->setCurrentIndex(0);
        TestPage page(false);
        page.show();
        QPointer<TestInputWindow> input;
        if (inputTest) {
            input = new TestInputWindow(page);
            input->show();
            input->start(new TestInputPoll(*input));
        } else {
            page.mmLoadExtraClick();
            QVERIFY(page.liveWindow());
        }
        QTRY_VERIFY(polls(first) >= 3);

        // The user picks COM2 in the serial view, a few times: each choice tests the port
        // there while the thread goes on polling.
        for (int i = 0; i < 5; ++i) {
            const int before = polls(first);
            form.serialNameComboBox->setCurrentIndex(1);
            emit form.serialNameComboBox->activated(1);
            QCOMPARE(form.serialNameComboBox->currentIndex(), 1);
            QTRY_VERIFY(polls(first) >= before + 2);
        }
        QCOMPARE(polls(second), 0);
        QCOMPARE(prompts.count(), 0);
        if (inputTest) {
            input->close();
            QTRY_VERIFY(!input);
        } else {
            auto *live = static_cast<TestLive *>(page.liveWindow());
            QCOMPARE(live->counterLabel(3)->text(), QStringLiteral("0"));
            page.mmLoadExtraClick();
            QVERIFY(!page.liveWindow());
        }
        QVERIFY(form.serial == nullptr);

        // A thread started now polls the port now chosen.
        page.mmLoadExtraClick();
        QTRY_VERIFY(polls(second) >= 2);
        page.mmLoadExtraClick();
    }
};

QTEST_MAIN(PortSettingsTest)
#include "tst_port_settings.moc"
