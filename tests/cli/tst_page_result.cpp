// How ovrin-cli reads a page action: from the outcome the page returns, so an extra box on
// the way, or a message with a note added, cannot turn a success into a failure or hide
// which error it was.

#include "cli/CliSession.h"
#include "tests/framework/FrameworkFixture.h"
#include "tests/support/ScriptedPrompts.h"

#include <QtTest>

namespace {

// Shows a box of its own after every successful read, as pages with dependent fields may.
class WarningPage : public TestPage
{
public:
    void settleAfterRead(bool ok) override
    {
        if (ok)
            Prompts::instance().message("Hodnota byla upravena", "Upozornění",
                                        PromptIcon::Warning);
    }
};

} // namespace

class PageResultTest : public QObject
{
    Q_OBJECT

private slots:
    void statusOfEachAction_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("live"); // the page's live window reads meanwhile
        QTest::newRow("read with a box on the way") << "read"
                                                    << "" << int(StatusOk) << 0 << false;
        QTest::newRow("read, another model") << "read"
                                             << "ZK" << int(StatusWrongDevice) << 9 << false;
        QTest::newRow("write, refused register") << "write"
                                                 << "exception" << int(StatusRefused) << 3 << false;
        QTest::newRow("load, another page's file") << "load"
                                                   << "" << int(StatusFile) << 21 << false;
        QTest::newRow("save, no address") << "save"
                                          << "" << int(StatusInvalid) << 13 << false;
        // Handed to the live reader: the result is the command's own, once it has run.
        QTest::newRow("read, live window open") << "read"
                                                << "" << int(StatusOk) << 0 << true;
        QTest::newRow("write, refused register, live window open")
            << "write"
            << "exception" << int(StatusRefused) << 3 << true;
    }
    void statusOfEachAction()
    {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(int, error);
        QFETCH(bool, live);
        FrameworkRig rig;
        QVERIFY(rig.start());
        WarningPage page;
        rig.shell.page = &page;
        page.show();
        if (live) {
            page.mmLoadExtraClick();
            QVERIFY(page.liveWindow());
            QTRY_VERIFY(page.liveWindow()->reader()->readCount() > 0);
        }
        if (fault == "ZK")
            rig.device->setIdentification(sim::kClassicIdentification, "ZK");
        if (fault == "exception")
            rig.server->setException(sim::Table::Holding, 0x2020, 0x2021, 2);
        const QString file = rig.dir.file("c.ini");
        QVERIFY(page.saveControls(file, "cForm1"));
        page.addr->setCurrentIndex(-1);
        // The page's prompts are the terminal's, as in ovrin-cli.
        TerminalPrompts terminal;
        terminal.quiet = true;
        Prompts::install(&terminal);
        PageResult r;
        if (action == "read")
            r = readPage(page, terminal);
        else if (action == "write")
            r = (page.addr->setCurrentIndex(0), writePage(page, terminal));
        else if (action == "load")
            r = loadPage(page, terminal, file);
        else
            r = savePage(page, terminal, file);
        Prompts::install(&rig.prompts);
        QCOMPARE(int(r.status), status);
        QCOMPARE(r.error, error);
        QCOMPARE(r.text, status == StatusOk ? QString("Operace proběhla OK") : message(error));
    }
};

QTEST_MAIN(PageResultTest)
#include "tst_page_result.moc"
