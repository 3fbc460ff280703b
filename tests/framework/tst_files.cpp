// Configuration files, temp.ini keys and windowPosition.ini of both page generations.

#include "FrameworkFixture.h"
#include "platform/Profile.h"
#include "tests/support/ScriptedPrompts.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using Kind = ScriptedPrompts::Kind;

class FilesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkingDir> dir;
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<ScriptedPrompts> prompts;

private slots:
    void init()
    {
        dir = std::make_unique<WorkingDir>();
        shell = std::make_unique<TestShell>();
        prompts = std::make_unique<ScriptedPrompts>();
    }
    void cleanup()
    {
        prompts.reset();
        shell.reset();
        dir.reset();
    }

    void keysOfBothGenerations()
    {
        TestPage classic(false);
        classic.pa->setPosition(12);
        prompts->planFileName(dir->file("a")); // the extension is added
        classic.mmSaveConfigureClick();
        QCOMPARE(classic.panelText(2), QString("Konfigurace uložena"));
        QVERIFY(!classic.isChanged());
        const Profile a(dir->file("a.ini"));
        QCOMPARE(a.keys("cForm20"),
                 QStringList({"c20ZdTextEdit", "c20ZdOffScrollBar", "c20SkSpdComboBox",
                              "c20SkAdrComboBox", "c20AuI1ScrollBar", "c20AuI2ScrollBar",
                              "c20AuO1ScrollBar", "c20AuO2ScrollBar", "c20AuFlScrollBar",
                              "c20AuFhScrollBar", "c20AuSpScrollBar", "c20ExPaScrollBar",
                              "c20ExPbScrollBar", "mmShowHint"}));
        QCOMPARE(a.readString("cForm20", "c20ZdTextEdit", ""), QString("Text"));
        QCOMPARE(a.readInteger("cForm20", "c20ExPaScrollBar", -1), 12);
        QCOMPARE(a.readString("cForm20", "mmShowHint", ""), QString("1"));

        TestPage newer(true);
        newer.mmShowHintClick();
        prompts->planFileName(dir->file("a.ini")); // same file: both sections kept
        newer.mmSaveConfigureClick();
        const Profile b(dir->file("a.ini"));
        QCOMPARE(b.keys("cForm20").first(), QString("c20ZdTextEdit"));
        QCOMPARE(b.keys("cForm20").at(1), QString("c20ZdOffScrollBar"));
        QCOMPARE(b.readString("cForm20", "mmShowHint", ""), QString("0"));
        QCOMPARE(newer.keyOf(newer.speed), QString("c20SkSpdComboBox"));
    }

    void loadRefusalsAndDefaults()
    {
        {
            Profile other(dir->file("other.ini"));
            other.writeInteger("cForm5", "c5ZdOffScrollBar", 3);
        }
        // Classic page: left unchanged.
        TestPage classic(false);
        classic.pa->setPosition(33);
        classic.markChanged(true);
        prompts->planFileName(dir->file("other.ini"));
        classic.mmLoadConfigurationClick();
        QCOMPARE(prompts->lastText(),
                 QString("Soubor s konfigurací není určen pro tento formulář"));
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        QCOMPARE(prompts->lastIcon(), PromptIcon::Error);
        QCOMPARE(classic.pa->position(), 33);
        QVERIFY(classic.isChanged());

        // Newer page: a refused file changes nothing either (the reset to the defaults
        // comes only with a file of this page), the marker included.
        TestPage newer(true);
        newer.pa->setPosition(33);
        newer.pb->setPosition(1);
        newer.markChanged(false);
        prompts->planFileName(dir->file("other.ini"));
        newer.mmLoadConfigurationClick();
        QCOMPARE(prompts->lastText(),
                 QString("Soubor s konfigurací není určen pro tento formulář"));
        QCOMPARE(newer.pa->position(), 33);
        QCOMPARE(newer.pb->position(), 1);
        QCOMPARE(newer.text->text(), QString("Text"));
        QVERIFY(!newer.isChanged());

        // Hand-edited keys: non-numbers take defaults, out-of-range values are brought in,
        // a missing mmShowHint turns hints on, foreign keys are ignored.
        {
            Profile f(dir->file("edited.ini"));
            f.beginBatch();
            f.writeString("cForm20", "c20ZdTextEdit", QString::fromUtf8("Kotelna č. 2"));
            f.writeString("cForm20", "c20ExPbScrollBar", "abc");
            f.writeInteger("cForm20", "c20AuO1ScrollBar", 99999);
            f.writeInteger("cForm20", "c20SkSpdComboBox", 12);
            f.writeInteger("cForm20", "c20SkAdrComboBox", 9);
            f.writeInteger("cForm20", "c5Foreign", 1);
            f.endBatch();
        }
        newer.mmShowHintClick();
        QVERIFY(!newer.hintsOn());
        prompts->clear();
        prompts->planFileName(dir->file("edited.ini"));
        newer.mmLoadConfigurationClick();
        QCOMPARE(prompts->count(Kind::Message), 0);
        QCOMPARE(newer.panelText(2), QString("Konfigurace načtena"));
        QVERIFY(!newer.isChanged());
        QCOMPARE(newer.text->text(), QString::fromUtf8("Kotelna č."));
        QCOMPARE(newer.pb->position(), 25);
        QCOMPARE(newer.o1->position(), 20000);
        QCOMPARE(newer.o1->edit()->text(), QString("20000"));
        QCOMPARE(newer.speed->currentIndex(), -1);
        QCOMPARE(newer.addr->currentIndex(), 9);
        QVERIFY(newer.hintsOn());
        // Keys the file lacks: the registered defaults.
        QCOMPARE(newer.off->position(), 0);
        QCOMPARE(newer.pa->position(), 0);

        // The file dialog cancelled: nothing happens.
        prompts->clear();
        newer.pa->setPosition(5);
        newer.mmLoadConfigurationClick();
        QCOMPARE(prompts->count(Kind::OpenFile), 1);
        QCOMPARE(prompts->count(Kind::Message), 0);
        QCOMPARE(newer.pa->position(), 5);

        // A save refused while a required list has no selection.
        prompts->clear();
        newer.mmSaveConfigureClick();
        QCOMPARE(prompts->lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QCOMPARE(prompts->count(Kind::SaveFile), 0);
        QVERIFY(newer.findChild<QLabel *>("skSpdLabel")->property("invalidMark").toBool());
    }

    void saveThatCannotLandIsNotReportedAsSaved()
    {
        TestPage page(false);
        page.markChanged(true);
        prompts->planFileName(dir->file("missing/dir/x.ini"));
        page.mmSaveConfigureClick();
        QCOMPARE(prompts->count(Kind::Message), 1);
        QCOMPARE(prompts->lastCaption(), QString("Chyba"));
        QVERIFY(page.panelText(2) != QString("Konfigurace uložena"));
        QVERIFY(page.isChanged());
    }

    void configurationRoundTrip()
    {
        TestPage a(false);
        a.text->setText(QString::fromUtf8("Žďár"));
        a.off->setPosition(-57);
        a.addr->setCurrentIndex(200);
        a.speed->setCurrentIndex(7);
        a.i2->setPosition(3999);
        a.pb->setPosition(499);
        prompts->planFileName(dir->file("rt.ini"));
        a.mmSaveConfigureClick();
        TestPage b(false);
        prompts->planFileName(dir->file("rt.ini"));
        b.mmLoadConfigurationClick();
        QCOMPARE(b.text->text(), QString::fromUtf8("Žďár"));
        QCOMPARE(b.off->edit()->text(), QString("-5,7"));
        QCOMPARE(b.addr->currentIndex(), 200);
        QCOMPARE(b.speed->currentIndex(), 7);
        QCOMPARE(b.i2->position(), 3999);
        QCOMPARE(b.pb->edit()->text(), QString("49,9"));
        // windows-1250 on disk.
        QFile f(dir->file("rt.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains(QByteArray("\x8e\xef\xe1r")));
    }

    void windowPositions()
    {
        QPoint placed;
        {
            TestPage page(false);
            page.show();
            const QRect screen = page.screen()->geometry();
            QCOMPARE(page.x(), screen.width() / 2 - page.width() / 2);
            QCOMPARE(page.y(), screen.height() / 2 - page.height() / 2);
            QVERIFY(!page.menuItem("mmOpenAfterStart")->isChecked());
            QVERIFY(!QFile::exists(dir->file("windowPosition.ini")));
            page.move(40, 50);
            placed = page.pos();
            page.close();
        }
        const Profile p(dir->file("windowPosition.ini"));
        QCOMPARE(p.readInteger("cForm20", "Top", -1), placed.y());
        QCOMPARE(p.readInteger("cForm20", "Left", -1), placed.x());
        TestPage again(false);
        again.show();
        QCOMPARE(again.pos(), placed);

        // AfterStart is written at once.
        again.mmOpenAfterStartClick();
        QCOMPARE(
            Profile(dir->file("windowPosition.ini")).readString("c20extraForm", "AfterStart", ""),
            QString("1"));
        again.mmOpenAfterStartClick();
        QCOMPARE(
            Profile(dir->file("windowPosition.ini")).readString("c20extraForm", "AfterStart", ""),
            QString("0"));
        QVERIFY(!again.liveWindow());
    }
};

QTEST_MAIN(FilesTest)
#include "tst_files.moc"
