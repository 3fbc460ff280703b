// The main window: start-up, settings file, check items, close question, serial view,
// device selection and detection against a simulated device.

#include "ShellFixture.h"
#include "link/Messages.h"
#include "link/TSerial.h"
#include "platform/TextError.h"
#include "shell/Identification.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/StatusPanels.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using Kind = ScriptedPrompts::Kind;

namespace {

const QString kSettings = QStringLiteral("mFormSave.ini");
const QString kNoPort = QStringLiteral("Musíte zadat jméno portu");

// Pages stand-ins: a plain window per model that remembers its list index.
struct FakePages {
    PageRegistry registry;
    QList<int> opened;

    explicit FakePages(int without = -1)
    {
        for (int i = 0; i < kModelCount; ++i) {
            if (i == without)
                continue;
            registry.add(i, [this, i] {
                opened.append(i);
                auto *page = new QWidget;
                page->setObjectName(componentNames().at(i));
                return page;
            });
        }
    }
};

// Selects a port the way a user does (the change event only runs on a user's choice).
void choosePort(TmForm &form, int index)
{
    form.serialNameComboBox->setCurrentIndex(index);
    emit form.serialNameComboBox->activated(index);
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWithoutSettings();
    void loadWithoutFileWarnsAndUsesLoadDefaults();
    void saveWritesTheFileAndLoadRestoresIt();
    void loadToleratesAHandEditedFile();
    void saveThatCannotHappenIsReported();
    void checkItemsReportAndMarkChanged();
    void statusMessageClearsAfterItsInterval();
    void hintsFollowTheOption();
    void closeAsksWhetherToSave();
    void ctrlSRunsSave();
    void serialViewConfirmsAPort();
    void serialViewRejectsAPortThatWillNotOpen();
    void openPortAppliesTheLineSettings();
    void componentOkOpensTheChosenPage();
    void componentOkWithoutPageOrSelectionKeepsTheWindow();
    void enterAndDoubleClickOpenThePage();
    void detectionClassicIdentification();
    void detectionNewIdentification();
    void detectionReportsTheReadError_data();
    void detectionReportsTheReadError();
    void startUpDetectsAndOpensThePage();
    void startUpPortTestFails();
    void pageClosedShowsTheWindowAgain();
};

void TestMainForm::firstStartWithoutSettings()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();

    QCOMPARE(form.windowTitle(), QStringLiteral("TORVAK Ovrin 1.0.15"));
    QVERIFY(form.isVisible());
    QVERIFY(form.introductionPanel->isVisible());
    QVERIFY(form.serialGroupBox->isHidden());
    QVERIFY(form.componentGroupBox->isHidden());
    QVERIFY(!form.mmAutoComponent->isEnabled());
    QVERIFY(!form.mmAutoComponent->isChecked());
    QVERIFY(!form.mmChooseComponent->isEnabled());
    QVERIFY(form.mmShowHint->isChecked());
    QVERIFY(form.hintsShown());
    // The start-up default differs from the load command's default (true).
    QVERIFY(!form.mmLoadDataAfterStart->isChecked());
    QVERIFY(!form.loadDataAfterStart());
    QVERIFY(!form.mmLoadLast->isChecked());
    QCOMPARE(form.serialNameComboBox->currentIndex(), -1);
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Úvodní okno"));
    QCOMPARE(form.statusPanelText(1), QString());
    QVERIFY(prompts.isEmpty());
    QVERIFY(!dir.exists(kSettings));
    QVERIFY(form.serial == nullptr);
    QCOMPARE(form.introductionLogo->pixmap().size(), QSize(270, 141));
}

void TestMainForm::loadWithoutFileWarnsAndUsesLoadDefaults()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();
    form.serialNameComboBox->setCurrentIndex(4);
    form.mmShowHint->setChecked(false);

    form.mmLoadClick();
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.lastText(), QStringLiteral("Soubor s uloženou konfigurací nebyl nalezen. "
                                                "Hodnoty budou inicializovány standardně."));
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Varování"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Warning);
    QCOMPARE(form.serialNameComboBox->currentIndex(), -1);
    QVERIFY(form.mmLoadDataAfterStart->isChecked());
    QVERIFY(form.mmShowHint->isChecked());
    QVERIFY(!form.mmLoadLast->isChecked());
    QVERIFY(!form.mmAutoComponent->isChecked());
    // Only the checks change; the hint display itself stays as it was.
    QVERIFY(form.hintsShown());
    QVERIFY(!dir.exists(kSettings));
}

void TestMainForm::saveWritesTheFileAndLoadRestoresIt()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();

    form.serialNameComboBox->setCurrentIndex(19);
    form.mmLoadLastClick();
    form.mmAutoComponentClick();
    form.mmShowHintClick();
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
    QVERIFY(form.mmSaveClick());
    QCOMPARE(form.statusPanelText(1), QString());
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Konfigurace uložena"));

    // The keys in the documented order, booleans as 1 and 0.
    const QString text = QString::fromLatin1(dir.read(kSettings)).remove(QLatin1Char('\r'));
    QCOMPARE(text.trimmed(), QStringLiteral("[mForm]\n"
                                            "serialNameComboBox=19\n"
                                            "mmLoadLast=1\n"
                                            "mmShowHint=0\n"
                                            "mmAutoComponent=1\n"
                                            "mmLoadDataAfterStart=0"));

    form.serialNameComboBox->setCurrentIndex(0);
    form.mmLoadLastClick();
    form.mmAutoComponentClick();
    form.mmShowHintClick();
    form.mmLoadDataAfterStartClick();
    form.mmLoadClick();
    QCOMPARE(form.serialNameComboBox->currentIndex(), 19);
    QVERIFY(form.mmLoadLast->isChecked());
    QVERIFY(form.mmAutoComponent->isChecked());
    QVERIFY(!form.mmShowHint->isChecked());
    QVERIFY(!form.mmLoadDataAfterStart->isChecked());
    QCOMPARE(form.statusPanelText(1), QString());
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Konfigurace načtena"));
    QVERIFY(prompts.isEmpty());

    // Writing keeps whatever else the file holds.
    dir.write(kSettings, dir.read(kSettings) + "[other]\r\nkeep=yes\r\n");
    QVERIFY(form.mmSaveClick());
    QVERIFY(dir.read(kSettings).contains("keep=yes"));
}

void TestMainForm::loadToleratesAHandEditedFile()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    dir.write(kSettings, "[MFORM]\r\nSERIALNAMECOMBOBOX=25\r\nmmLoadLast=7\r\nmmShowHint=x\r\n"
                         "mmAutoComponent=-1\r\n");
    form.mmLoadClick();
    QVERIFY(prompts.isEmpty());
    QCOMPARE(form.serialNameComboBox->currentIndex(), -1); // beyond COM20: no port
    QVERIFY(form.mmLoadLast->isChecked());                 // any non-zero number is true
    QVERIFY(form.mmShowHint->isChecked());                 // unreadable: the default
    QVERIFY(form.mmAutoComponent->isChecked());
    QVERIFY(form.mmLoadDataAfterStart->isChecked()); // missing: the load default
}

void TestMainForm::saveThatCannotHappenIsReported()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.mmLoadLastClick();
    QVERIFY(!form.mmSaveClick());
    QCOMPARE(prompts.texts(), QStringList{kNoPort});
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Varování"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Warning);
    QVERIFY(!dir.exists(kSettings));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));

    // A file that cannot be written is an error, never "Konfigurace uložena"; the settings
    // stay marked as changed, and closing keeps the window so they are not lost.
    QVERIFY(QDir(dir.file(QString())).mkdir(kSettings));
    form.show();
    form.serialNameComboBox->setCurrentIndex(2);
    prompts.clear();
    QVERIFY(!form.mmSaveClick());
    QCOMPARE(prompts.count(), 1);
    QVERIFY(prompts.lastText().contains(kSettings));
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Error);
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
    QVERIFY(form.statusPanelText(2) != QStringLiteral("Konfigurace uložena"));
    prompts.planAnswer(PromptAnswer::Yes);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
}

void TestMainForm::checkItemsReportAndMarkChanged()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();

    struct Step {
        void (TmForm::*click)();
        QAction *item;
        const char *on;
        const char *off;
    };
    const Step steps[] = {
        {&TmForm::mmLoadLastClick, form.mmLoadLast, "Načíst uloženou konfiguraci po startu",
         "Nenačítat uloženou konfiguraci po startu"},
        {&TmForm::mmShowHintClick, form.mmShowHint, "Zobrazovat plovoucí nápovědu",
         "Nezobrazovat plovoucí nápovědu"},
        {&TmForm::mmAutoComponentClick, form.mmAutoComponent, "Automatický výběr komponenty",
         "Manuální výběr komponenty"},
        {&TmForm::mmLoadDataAfterStartClick, form.mmLoadDataAfterStart,
         "Načíst data po startu komponenty", "Nenačítat data po startu komponenty"},
    };
    for (const Step &step : steps) {
        for (int round = 0; round < 2; ++round) {
            form.mFormStatusBar->setPanelText(1, QString());
            const bool before = step.item->isChecked();
            (form.*step.click)();
            QCOMPARE(step.item->isChecked(), !before);
            QCOMPARE(form.statusPanelText(2),
                     QString::fromUtf8(step.item->isChecked() ? step.on : step.off));
            QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
        }
    }
    // Automatic detection at start needs the saved port: it follows mmLoadLast.
    QVERIFY(!form.mmAutoComponent->isEnabled());
    form.mmLoadLastClick();
    QVERIFY(form.mmAutoComponent->isEnabled());
    form.mmLoadLastClick();
    QVERIFY(!form.mmAutoComponent->isEnabled());
    // A click in the menu is the same as the handler.
    const bool before = form.mmLoadDataAfterStart->isChecked();
    form.mmLoadDataAfterStart->trigger();
    QCOMPARE(form.loadDataAfterStart(), !before);
    QVERIFY(prompts.isEmpty());
}

void TestMainForm::statusMessageClearsAfterItsInterval()
{
    WorkingDir dir;
    TmForm form;
    QCOMPARE(form.mFormTimer->interval(), 2000);
    QVERIFY(!form.mFormTimer->isActive());
    form.showStatusMessage(QStringLiteral("první"));
    QVERIFY(form.mFormTimer->isActive());
    QCOMPARE(form.statusPanelText(2), QStringLiteral("první"));

    // A second message restarts the full interval. Read off the timer rather than waited
    // out, so that a stalled machine cannot clear the text before the check.
    form.mFormTimer->setInterval(1000);
    form.showStatusMessage(QStringLiteral("druhá"));
    QTest::qWait(500);
    form.showStatusMessage(QStringLiteral("třetí"));
    QVERIFY2(form.mFormTimer->remainingTime() > 700, "the interval was not restarted");
    QCOMPARE(form.statusPanelText(2), QStringLiteral("třetí"));
    QTRY_COMPARE_WITH_TIMEOUT(form.statusPanelText(2), QString(), 3000);
    QVERIFY(!form.mFormTimer->isActive());
}

void TestMainForm::hintsFollowTheOption()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();
    form.mmSerialClick();
    QWidget *list = form.serialNameComboBox;
    // The port list's items carry hints too, in the list's own pop-up window.
    QWidget *items = form.serialNameComboBox->view()->viewport();
    QWidget stranger; // another top-level window, such as a device page
    auto toolTipSwallowed = [&](QWidget *target) {
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        return static_cast<QObject &>(form).eventFilter(target, &help);
    };
    const QList<QWidget *> own{list, items, form.mFormStatusBar->panel(0)};
    for (QWidget *w : own)
        QVERIFY(!toolTipSwallowed(w));
    form.mmShowHintClick();
    QVERIFY(!form.hintsShown());
    for (QWidget *w : own)
        QVERIFY2(toolTipSwallowed(w), qPrintable(w->objectName()));
    QVERIFY(!toolTipSwallowed(&stranger));
    form.mmShowHintClick();
    QVERIFY(!toolTipSwallowed(list));

    // The start-up reads the option.
    dir.write(kSettings, "[mForm]\r\nmmShowHint=0\r\n");
    TmForm second;
    second.FormCreate();
    QVERIFY(!second.hintsShown());
    QVERIFY(!second.mmShowHint->isChecked());
}

void TestMainForm::closeAsksWhetherToSave()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    {
        TmForm form;
        form.FormCreate();
        QVERIFY(form.close()); // nothing changed: no question
        QVERIFY(prompts.isEmpty());
    }
    TmForm form;
    form.FormCreate();
    form.mmAutoComponentClick();

    // Yes without a port: nothing can be saved, so the window stays.
    prompts.planAnswer(PromptAnswer::Yes);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(prompts.count(), 2);
    const auto question = prompts.records().at(0);
    QCOMPARE(question.kind, Kind::Question);
    QCOMPARE(question.text,
             QStringLiteral("Nastavení programu bylo změněno. Přejete si ho uložit?"));
    QCOMPARE(question.caption, QStringLiteral("Uložit"));
    QCOMPARE(question.icon, PromptIcon::Question);
    QCOMPARE(question.buttons, PromptButtons::YesNo);
    QCOMPARE(prompts.records().at(1).text, kNoPort);
    QVERIFY(!dir.exists(kSettings));

    // Yes with a port saves and closes.
    form.serialNameComboBox->setCurrentIndex(2);
    prompts.planAnswer(PromptAnswer::Yes);
    QVERIFY(form.close());
    QVERIFY(dir.read(kSettings).contains("mmAutoComponent=1"));

    // No closes without writing.
    TmForm other;
    other.FormCreate();
    other.mmLoadLastClick();
    prompts.planAnswer(PromptAnswer::No);
    QVERIFY(other.close());
    QVERIFY(!dir.read(kSettings).contains("mmLoadLast=1"));
    QCOMPARE(prompts.count(Kind::Question), 3);
}

void TestMainForm::ctrlSRunsSave()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(prompts.texts(), QStringList{kNoPort}); // mmSave's warning
    QVERIFY(form.serialGroupBox->isHidden());        // not mmSerial

    form.serialNameComboBox->setCurrentIndex(1);
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(dir.read(kSettings).contains("serialNameComboBox=1"));

    // The other shortcuts reach their items too.
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Konfigurace načtena"));
}

void TestMainForm::serialViewConfirmsAPort()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice("ZK");
    QVERIFY(server);
    dir.mapPorts({{3, server->path()}});
    TmForm form;
    form.FormCreate();

    form.mmSerialClick();
    QVERIFY(form.serialGroupBox->isVisible());
    QVERIFY(form.introductionPanel->isHidden());
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Nastavení sériového přenosu"));

    // OK without a port: the warning, and the view stays.
    form.serialNameOkButtonClick();
    QCOMPARE(prompts.texts(), QStringList{kNoPort});
    QVERIFY(form.serialGroupBox->isVisible());
    QVERIFY(!form.mmChooseComponent->isEnabled());

    choosePort(form, 2);
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
    QVERIFY(form.serialNameComboBox->toolTip().contains(server->path()));
    form.serialOkButton->click();
    QCOMPARE(prompts.count(), 1);
    QVERIFY(form.serialGroupBox->isHidden());
    QVERIFY(form.introductionPanel->isVisible());
    QVERIFY(form.mmChooseComponent->isEnabled());
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Úvodní okno"));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno")); // a new port is a change
    QVERIFY(form.serial == nullptr);                              // tested, not kept open

    // Confirming the same port again after saving is no change.
    QVERIFY(form.mmSaveClick());
    form.mmSerialClick();
    form.serialNameOkButtonClick();
    QCOMPARE(form.statusPanelText(1), QString());
    QVERIFY(form.serialGroupBox->isHidden());
}

void TestMainForm::serialViewRejectsAPortThatWillNotOpen()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    dir.mapPorts({{5, dir.file(QStringLiteral("no-such-tty"))}});
    TmForm form;
    form.FormCreate();
    form.mmSerialClick();

    choosePort(form, 4);
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.lastText(), QStringLiteral("Sériový port COM5 nelze otevřít"));
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Error);
    QCOMPARE(form.serialNameComboBox->currentIndex(), -1);
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
    QVERIFY(form.serial == nullptr);

    form.serialNameOkButtonClick();
    QCOMPARE(prompts.lastText(), kNoPort);
    QVERIFY(form.serialGroupBox->isVisible());
    QVERIFY(!form.mmChooseComponent->isEnabled());
}

void TestMainForm::openPortAppliesTheLineSettings()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice("ZK");
    QVERIFY(server);
    dir.mapPorts({{7, server->path()}});
    TmForm form;
    // The rate is the session's (a device on a bus); the rest of the line is fixed.
    QVERIFY(form.serialBaudRateComboBox->isEnabled());
    QVERIFY(!form.serialDataSizeComboBox->isEnabled());
    QVERIFY(!form.serialParityComboBox->isEnabled());
    QVERIFY(!form.serialStopBitComboBox->isEnabled());
    QVERIFY(form.serialNameComboBox->isEnabled());

    form.serialNameComboBox->setCurrentIndex(6);
    form.openPort();
    QVERIFY(form.serial);
    QCOMPARE(form.serial->portNumber(), 7);
    QCOMPARE(form.serial->lineState().baudRate, 19200u);
    QCOMPARE(form.serial->lineState().byteSize, quint8(8));
    QCOMPARE(form.serial->lineState().parity, quint8(0));
    // A second open must not leave the first port behind, busy.
    form.openPort();
    QVERIFY(form.serial);
    form.closePort();
    QVERIFY(form.serial == nullptr);

    // No port chosen: COM0, which cannot be opened.
    form.serialNameComboBox->setCurrentIndex(-1);
    try {
        form.openPort();
        QFAIL("COM0 opened");
    } catch (const TextError &e) {
        QCOMPARE(e.text(), QStringLiteral("Sériový port COM0 nelze otevřít"));
    }
    QVERIFY(form.serial == nullptr);
    QVERIFY(prompts.isEmpty());
}

void TestMainForm::componentOkOpensTheChosenPage()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.mmChooseComponentClick();
    QVERIFY(form.componentGroupBox->isVisible());
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Výběr komponenty"));
    QCOMPARE(form.componentListBox->count(), kModelCount);

    const struct {
        int index;
        int componentType;
    } cases[] = {{1, 2}, {3, 2}, {10, 0}, {17, 4}, {0, 1}, {16, 3}};
    for (const auto &c : cases) {
        form.show();
        form.componentListBox->setCurrentRow(c.index);
        form.componentOkButton->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(pages.opened.last(), c.index);
        QVERIFY(form.currentPage());
        QCOMPARE(form.currentPage()->objectName(), componentNames().at(c.index));
        QVERIFY(form.currentPage()->isVisible());
        // Models outside the KQx family leave the variant number alone.
        QCOMPARE(form.componentType(), c.componentType);
    }
    // One page at a time: the earlier ones are gone.
    QPointer<QWidget> last = form.currentPage();
    form.show();
    form.componentListBox->setCurrentRow(2);
    form.componentOkButtonClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(last.isNull());
    QVERIFY(prompts.isEmpty());
}

void TestMainForm::componentOkWithoutPageOrSelectionKeepsTheWindow()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    FakePages pages(/*without*/ 9);
    TmForm form(pages.registry);
    form.FormCreate();
    form.mmChooseComponentClick();

    form.componentOkButtonClick(); // nothing selected
    QVERIFY(form.isVisible());
    QVERIFY(pages.opened.isEmpty());

    form.componentListBox->setCurrentRow(9); // T4yJ: no page yet
    form.componentOkButtonClick();
    QVERIFY(form.isVisible());
    QVERIFY(form.currentPage() == nullptr);
    QVERIFY(form.componentGroupBox->isVisible());
    QVERIFY(prompts.isEmpty());
}

void TestMainForm::enterAndDoubleClickOpenThePage()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.mmChooseComponentClick();

    form.componentListBox->setCurrentRow(5);
    QTest::keyClick(form.componentListBox, Qt::Key_Return);
    QCOMPARE(pages.opened, QList<int>{5});

    form.show();
    form.componentListBox->setCurrentRow(7);
    QListWidgetItem *item = form.componentListBox->item(7);
    const QPoint at = form.componentListBox->visualItemRect(item).center();
    QTest::mouseClick(form.componentListBox->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form.componentListBox->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(pages.opened, (QList<int>{5, 7}));

    form.show();
    form.componentListBox->clearSelection();
    QTest::keyClick(form.componentListBox, Qt::Key_Enter);
    QCOMPARE(pages.opened.size(), 2);
    QVERIFY(form.isVisible());
}

void TestMainForm::detectionClassicIdentification()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice("E 7PZ           ", "GWR1            ");
    QVERIFY(server);
    dir.mapPorts({{2, server->path()}});
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.serialNameComboBox->setCurrentIndex(1);

    form.automaticComponentChooseButtonClick();
    QCOMPARE(pages.opened, QList<int>{3}); // E-7PZ
    QCOMPARE(form.componentListBox->currentRow(), 3);
    QVERIFY(!form.isVisible());
    QVERIFY(prompts.isEmpty());
    // The first read matched: the newer place was never asked for.
    QCOMPARE(identificationReads(*server), QList<int>{0x0001});
    QVERIFY(form.serial == nullptr);

    // A page that fails while it is being built leaves the main window shown, with the
    // failure's own text rather than "OK".
    pages.registry.add(3,
                       []() -> QWidget * { throw TextError(QStringLiteral("rozbitá stránka")); });
    form.show();
    form.automaticComponentChooseButtonClick();
    QVERIFY(form.isVisible());
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("rozbitá stránka")});
}

void TestMainForm::detectionNewIdentification()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice("T4yj            ", "GWR1            ");
    QVERIFY(server);
    dir.mapPorts({{2, server->path()}});
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.serialNameComboBox->setCurrentIndex(1);

    form.automaticComponentChooseButtonClick();
    QCOMPARE(pages.opened, QList<int>{8}); // GWR1
    QCOMPARE(identificationReads(*server), (QList<int>{0x0001, 0x0010}));
    QVERIFY(prompts.isEmpty());
}

void TestMainForm::detectionReportsTheReadError_data()
{
    QTest::addColumn<QByteArray>("classic");
    QTest::addColumn<QByteArray>("newer");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("selectionShown");

    // Exception 2 on the second read is that read's error, not "no known device".
    QTest::newRow("exception on the second read")
        << QByteArray("XYZ             ") << QByteArray() << false << 3 << true;
    QTest::newRow("no model at either place")
        << QByteArray("T4yJ\0\0\0\0\0\0\0\0\0\0\0\0", 16) << QByteArray("T4yj            ") << false
        << 10 << true;
    QTest::newRow("NUL in the name") << QByteArray("ZK\0             ", 16)
                                     << QByteArray("ZG             \0", 16) << false << 10 << true;
    QTest::newRow("silence") << QByteArray("ZK") << QByteArray() << true << 6 << false;
}

void TestMainForm::detectionReportsTheReadError()
{
    QFETCH(QByteArray, classic);
    QFETCH(QByteArray, newer);
    QFETCH(bool, silent);
    QFETCH(int, error);
    QFETCH(bool, selectionShown);

    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice(classic, newer);
    QVERIFY(server);
    if (silent) {
        sim::Faults faults;
        faults.silent = true;
        server->setFaults(faults);
    }
    dir.mapPorts({{2, server->path()}});
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.serialNameComboBox->setCurrentIndex(1);

    form.automaticComponentChooseButtonClick();
    QVERIFY(pages.opened.isEmpty());
    QVERIFY(form.isVisible());
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.lastText(), message(error));
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Error);
    QCOMPARE(form.componentGroupBox->isVisible(), selectionShown);
    QCOMPARE(form.introductionPanel->isVisible(), !selectionShown);
    QVERIFY(form.serial == nullptr);
}

void TestMainForm::startUpDetectsAndOpensThePage()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    auto server = startDevice("NIC             ", "GWR1            ");
    QVERIFY(server);
    dir.mapPorts({{4, server->path()}});
    dir.write(kSettings, "[mForm]\r\nserialNameComboBox=3\r\nmmLoadLast=1\r\nmmShowHint=1\r\n"
                         "mmAutoComponent=1\r\nmmLoadDataAfterStart=1\r\n");
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();

    QVERIFY(prompts.isEmpty());
    QCOMPARE(pages.opened, QList<int>{8});
    QVERIFY(!form.isVisible());
    QVERIFY(form.currentPage() && form.currentPage()->isVisible());
    QCOMPARE(form.serialNameComboBox->currentIndex(), 3);
    QVERIFY(form.mmChooseComponent->isEnabled());
    QVERIFY(form.mmAutoComponent->isEnabled());
    QVERIFY(form.mmAutoComponent->isChecked());
    QVERIFY(form.loadDataAfterStart());
    QCOMPARE(form.statusPanelText(1), QString()); // nothing changed yet
    QVERIFY(form.introductionPanel->cursor().shape() != Qt::WaitCursor);

    // Without automatic detection the start stops at the introduction panel.
    dir.write(kSettings, "[mForm]\r\nserialNameComboBox=3\r\nmmLoadLast=1\r\n");
    server->clearLog();
    FakePages others;
    TmForm manual(others.registry);
    manual.FormCreate();
    QVERIFY(others.opened.isEmpty());
    QVERIFY(manual.introductionPanel->isVisible());
    QVERIFY(manual.mmChooseComponent->isEnabled());
    QVERIFY(identificationReads(*server).isEmpty());
    QVERIFY(prompts.isEmpty());

    // A device of no known model: the message, the device selection, and the choice by hand
    // available again.
    auto unknown = startDevice("NIC             ", "TAKY NIC        ");
    QVERIFY(unknown);
    dir.mapPorts({{4, unknown->path()}});
    dir.write(kSettings, "[mForm]\r\nserialNameComboBox=3\r\nmmLoadLast=1\r\n"
                         "mmAutoComponent=1\r\n");
    FakePages none;
    TmForm failed(none.registry);
    failed.FormCreate();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Není připojeno žádné známé zařízení")});
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    QCOMPARE(prompts.lastIcon(), PromptIcon::Error);
    QCOMPARE(identificationReads(*unknown), (QList<int>{0x0001, 0x0010}));
    QVERIFY(none.opened.isEmpty());
    QVERIFY(failed.isVisible());
    QVERIFY(failed.componentGroupBox->isVisible());
    QVERIFY(failed.introductionPanel->isHidden());
    QCOMPARE(failed.statusPanelText(0), QStringLiteral("Výběr komponenty"));
    QVERIFY(failed.mmChooseComponent->isEnabled());
    QVERIFY(failed.introductionPanel->cursor().shape() != Qt::WaitCursor);
}

void TestMainForm::startUpPortTestFails()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    dir.mapPorts({{4, dir.file(QStringLiteral("gone"))}});
    dir.write(kSettings, "[mForm]\r\nserialNameComboBox=3\r\nmmLoadLast=1\r\nmmShowHint=0\r\n"
                         "mmAutoComponent=1\r\n");
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();

    QCOMPARE(prompts.texts(),
             QStringList{QStringLiteral("Sériová linka neodpovídá - zkontrolujte její připojení")});
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    // The box's details say what was found: the device COM4 resolves to, and that it is gone.
    QVERIFY2(prompts.last().details.startsWith("Port COM4 odpovídá zařízení " +
                                               dir.file(QStringLiteral("gone")) + "."),
             qPrintable(prompts.last().details));
    QVERIFY(prompts.last().details.contains(QStringLiteral("Takové zařízení neexistuje")));
    QVERIFY(form.isVisible());
    QVERIFY(form.serialGroupBox->isVisible());
    QCOMPARE(form.serialNameComboBox->currentIndex(), -1);
    QVERIFY(!form.mmChooseComponent->isEnabled());
    QVERIFY(pages.opened.isEmpty());
    // The rest of the start-up still runs.
    QVERIFY(!form.hintsShown());
    QVERIFY(form.mmAutoComponent->isChecked());

    // A port that opens for the first test but not for the second: no detection on a port
    // that is gone, and the serial view to pick another one.
    auto server = startDevice("ZK              ");
    QVERIFY(server);
    dir.mapPorts({{4, server->path()}});
    prompts.clear();
    struct PortGoesAway : TmForm {
        using TmForm::TmForm;
        int opens = 0;
        void openPort() override
        {
            if (++opens == 2)
                throw TextError(QStringLiteral("Sériový port COM4 nelze otevřít"));
            TmForm::openPort();
        }
    } flaky(pages.registry);
    flaky.FormCreate();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Sériový port COM4 nelze otevřít")});
    QCOMPARE(prompts.lastCaption(), QStringLiteral("Chyba"));
    QVERIFY(identificationReads(*server).isEmpty());
    QVERIFY(pages.opened.isEmpty());
    QVERIFY(flaky.isVisible());
    QVERIFY(flaky.serialGroupBox->isVisible());
    QVERIFY(flaky.introductionPanel->isHidden());
    QCOMPARE(flaky.statusPanelText(0), QStringLiteral("Nastavení sériového přenosu"));
    QCOMPARE(flaky.serialNameComboBox->currentIndex(), -1);
    QVERIFY(!flaky.mmChooseComponent->isEnabled());
    QVERIFY(flaky.serial == nullptr);
}

void TestMainForm::pageClosedShowsTheWindowAgain()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    FakePages pages;
    TmForm form(pages.registry);
    form.FormCreate();
    form.mmChooseComponentClick();
    form.componentListBox->setCurrentRow(12);
    form.componentOkButtonClick();
    QPointer<QWidget> page = form.currentPage();
    QVERIFY(page);
    QVERIFY(&Shell::instance() == &form);

    Shell::instance().pageClosed();
    QVERIFY(form.isVisible());
    QVERIFY(form.currentPage() == nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(page.isNull());

    Shell::instance().openSerialSettings();
    QVERIFY(form.serialGroupBox->isVisible());
    Shell::instance().openComponentChoice();
    QVERIFY(form.componentGroupBox->isVisible());
    QVERIFY(form.serialGroupBox->isHidden());
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
