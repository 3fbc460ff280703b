// How the device pages and their live windows look: nothing clipped or overlapping, the
// page a sensible size, every documented control where a user expects it. With
// OVRIN_SCREENSHOT_DIR set, the windows are also saved there as PNG files to look at.

#include "ConverterFixture.h"
#include "ListDialogs.h"
#include "tests/support/ScreenFit.h"
#include "pages/controllers/TcForm12.h"
#include "pages/controllers/TcForm2.h"
#include "pages/controllers/TcForm2Test.h"
#include "pages/framework/Countdown.h"
#include "pages/controllers/TcForm6.h"
#include "pages/converters/TcForm11.h"
#include "pages/converters/TcForm8.h"
#include "pages/sensors/TcForm10.h"
#include "pages/sensors/TcForm13.h"
#include "pages/sensors/TcForm14.h"
#include "pages/sensors/TcForm5.h"
#include "DigitalIoFixture.h"
#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm3Test.h"
#include "pages/digital_io/TcForm7.h"
#include "pages/digital_io/TcForm9.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

void save(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("OVRIN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    // Layouts that a text change asked for (the status bar's) run before the picture.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    w->grab().save(dir + "/" + name + ".png");
}

// The window fits a small laptop's screen, texts fit their labels, and no two visible
// widgets of a group box overlap.
void checkLayout(QWidget *window)
{
    // Layouts follow text changes on the next turn of the event loop.
    QTest::qWait(50);
    const QStringList faults = screenFitFaults(window);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty())
            continue;
        QVERIFY2(label->width() >= label->sizeHint().width(),
                 qPrintable(label->objectName() + ": " + label->text()));
    }
    for (QCheckBox *check : window->findChildren<QCheckBox *>()) {
        if (check->isVisibleTo(window))
            QVERIFY2(check->width() >= check->sizeHint().width(),
                     qPrintable(check->objectName() + ": " + check->text()));
    }
    for (QGroupBox *box : window->findChildren<QGroupBox *>()) {
        QList<QWidget *> children;
        for (QWidget *w : box->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isVisibleTo(window))
                children << w;
        for (int i = 0; i < children.size(); ++i) {
            QVERIFY2(box->rect().contains(children[i]->geometry()),
                     qPrintable(children[i]->objectName() + " leaves " + box->title()));
            for (int j = i + 1; j < children.size(); ++j)
                QVERIFY2(!children[i]->geometry().intersects(children[j]->geometry()),
                         qPrintable(children[i]->objectName() + " overlaps " +
                                    children[j]->objectName()));
        }
    }
}

// The KQx family page of one variant.
template <int Variant> struct KqxPage : TcForm6 {
    KqxPage() : TcForm6(nullptr, Variant) {}
};

} // namespace

class LooksTest : public QObject
{
    Q_OBJECT

    // The page shown, read from its device and prepared: its title, size and layout; saved.
    void lookAtPage(TComponentForm &page, const QString &model, const QString &name,
                    const QSize &most, const std::function<void()> &prepare)
    {
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.getButton()->click();
        prepare();
        QCOMPARE(page.windowTitle(), model);
        save(&page, name);
        QVERIFY2(page.width() <= most.width() && page.height() <= most.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
        checkLayout(&page);
        QVERIFY(!QTest::currentTestFailed());
        // The buttons sit below the groups, inside the window.
        QVERIFY(page.rect().contains(page.sendButton()->geometry()));
    }

    // The page's live window after a few polls: nothing clipped; saved.
    void lookAtLive(TComponentForm &page, const QString &name)
    {
        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QWidget *live = page.liveWindow();
        QVERIFY(live);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > 2, 5000);
        QTest::qWait(50);
        save(live, name);
        QCOMPARE(live->width(), 242);
        checkLayout(live);
        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page.liveWindow());
    }

    template <typename Page>
    void look(const QString &model, const QString &name, std::function<void(Page &)> prepare,
              QSize most = QSize(760, 640))
    {
        ConverterRig rig;
        QVERIFY(rig.start(model));
        Page page;
        rig.shell.page = &page;
        // About the size of the original window (632 x 486 client on the T4yJ).
        lookAtPage(page, model, name, most, [&] {
            prepare(page);
            // Layouts follow text changes on the next turn of the event loop.
            QTest::qWait(50);
        });
        if (QTest::currentTestFailed())
            return;

        lookAtLive(page, name + "-live");
    }

    // A digital I/O page, read from its module, and each of its test windows over it.
    template <typename Page>
    void lookDigital(const QString &model, const QString &name,
                     const std::function<void(Page &)> &prepare,
                     const QList<std::function<void(Page &)>> &openTests)
    {
        DigitalIoRig rig;
        QVERIFY(rig.start(model));
        Page page;
        rig.shell.page = &page;
        lookAtPage(page, model, name, kSmallScreenContent, [&] { prepare(page); });
        if (QTest::currentTestFailed())
            return;
        int n = 0;
        for (const auto &open : openTests) {
            open(page);
            QWidget *window = page.testWindow();
            QVERIFY(window);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            checkLayout(window);
            QVERIFY(!QTest::currentTestFailed());
            save(window, name + "-" + window->objectName());
            window->close();
            QTRY_VERIFY(!page.testWindow());
            ++n;
        }
        QCOMPARE(n, openTests.size());
        QVERIFY(page.isEnabled());
    }

private slots:
    void ehn2()
    {
        lookDigital<TcForm3>("E-HN2", "ehn2", [](TcForm3 &) {},
                             {[](TcForm3 &p) { p.testDButton()->click(); },
                              [](TcForm3 &p) { p.testPButton()->click(); }});
    }
    void ehb2()
    {
        lookDigital<TcForm7>("E-HB2", "ehb2", [](TcForm7 &) {},
                             {[](TcForm7 &p) { p.testInButton()->click(); }});
    }
    void ehb5()
    {
        lookDigital<TcForm9>("E-HB5/HN9", "ehb5", [](TcForm9 &) {},
                             {[](TcForm9 &p) { p.testOutButton()->click(); },
                              [](TcForm9 &p) { p.testInButton()->click(); }});
    }
    void t4yj()
    {
        look<TcForm1>("T4yJ", "t4yj", [](TcForm1 &) {});
    }
    void zkThermometer()
    {
        look<TcForm4>("ZK", "zk", [](TcForm4 &) {});
    }
    void zkCurrent()
    {
        look<TcForm4>("ZK", "zk-current", [](TcForm4 &page) {
            page.typeCombo()->setCurrentIndex(8);
            emit page.typeCombo()->activated(8);
            page.sendButton()->click(); // the live window shows the current then
        });
    }
    void t4yg()
    {
        look<TcForm8>("T4yG", "t4yg", [](TcForm8 &) {});
    }
    // The ZG has the most rows of the converters (its original client is 670 x 565).
    void zgThermometer()
    {
        look<TcForm11>(
            "ZG", "zg", [](TcForm11 &) {}, QSize(760, 700));
    }
    void zgVoltageByFrequency()
    {
        look<TcForm11>(
            "ZG", "zg-voltage",
            [](TcForm11 &page) {
                page.typeCombo()->setCurrentIndex(6);
                emit page.typeCombo()->activated(6);
                page.pwmTypeSettingRadioGroup()->setItemIndex(1);
                page.sendButton()->click();
            },
            QSize(760, 700));
    }
    // Two columns of inputs under the basic settings (the original client is 752 x 546).
    void euv6()
    {
        look<TcForm10>(
            "E-UV6", "euv6", [](TcForm10 &) {}, QSize(1000, 640));
    }
    // The wall modules' pages are large: three modes of 16 symbols beside the settings.
    void cwr1()
    {
        ConverterRig rig;
        QVERIFY(rig.start(QStringLiteral("CWR1")));
        TcForm13 page;
        rig.shell.page = &page;
        lookAtPage(page, "CWR1", "cwr1", kSmallScreenContent, [&] {
            page.outType->setItemIndex(1);
            page.count[1]->setPosition(5);
        });
        if (QTest::currentTestFailed())
            return;
        // A symbol list opened: every picture with its number.
        QComboBox *list = page.symbol[0][0];
        list->showPopup();
        QWidget *popup = list->view()->window();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QVERIFY(popup->width() >= 30 + list->view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        save(popup, "cwr1-symbols");
        list->hidePopup();
        page.fastUp->showPopup();
        QWidget *fast = page.fastUp->view()->window();
        QVERIFY(QTest::qWaitForWindowExposed(fast));
        QVERIFY(fast->width() >= page.fastUp->view()->sizeHintForColumn(0));
        save(fast, "cwr1-fast-choices");
        page.fastUp->hidePopup();
        rig.device->setHolding(0x0032, 99); // PWM in the live window
        lookAtLive(page, "cwr1-live");
    }
    void gwr1()
    {
        ConverterRig rig;
        QVERIFY(rig.start(QStringLiteral("GWR1")));
        TcForm14 page;
        rig.shell.page = &page;
        lookAtPage(page, "GWR1", "gwr1", kSmallScreenContent, [] {});
        if (QTest::currentTestFailed())
            return;
        page.startBarGraph->showPopup();
        QWidget *popup = page.startBarGraph->view()->window();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        save(popup, "gwr1-bar-graphs");
        page.startBarGraph->hidePopup();
        lookAtLive(page, "gwr1-live");
    }
    void t6yr()
    {
        look<TcForm5>("T6yR", "t6yr", [](TcForm5 &) {});
    }
    void e7pz()
    {
        look<TcForm2>(
            "E-7PZ", "e7pz",
            [](TcForm2 &page) {
                page.autonomous()->setChecked(true);
                page.setDeadBand(20, 70);
            },
            kSmallScreenContent);
    }
    void e7pzTestWindow()
    {
        ConverterRig rig;
        QVERIFY(rig.start(QStringLiteral("E-7PZ")));
        TcForm2 page;
        rig.shell.page = &page;
        page.show();
        page.testButton()->click();
        auto *window = qobject_cast<TcForm2Test *>(page.testWindow());
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        checkLayout(window);
        QVERIFY(!QTest::currentTestFailed());
        save(window, "e7pz-test");
        window->countdown()->animateSaveTimer()->start(1);
        window->countdown()->saveTimer()->start(5);
        QTRY_VERIFY(!window->locked());
        window->close();
        QTRY_VERIFY(!page.testWindow());
    }
    void t4yr()
    {
        look<KqxPage<0>>("T4yR", "t4yr", [](KqxPage<0> &) {});
    }
    void kqx()
    {
        look<KqxPage<1>>("KQx", "kqx", [](KqxPage<1> &) {});
    }
    void kqlx()
    {
        look<KqxPage<2>>("KQLx", "kqlx", [](KqxPage<2> &) {});
    }
    void zslThermometer()
    {
        look<TcForm12>(
            "ZSL", "zsl", [](TcForm12 &page) { page.dacActive()->setItemIndex(1); },
            QSize(1180, 640));
    }
    // The backups of the CWR1 page (long customer texts among them) and a file that differs
    // from the module's factory values in most settings.
    void recordDialogs()
    {
        ConverterRig rig;
        QVERIFY(rig.start(wallModule("CWR1")));
        TcForm13 page;
        rig.shell.page = &page;
        page.show();
        page.getButtonClick();
        plantBackups(page, customerTexts());
        if (QTest::currentTestFailed())
            return;
        QDialog *restore = openRecordDialog(page, "mmRestoreBackup", "restoreDialog");
        QVERIFY(restore);
        qInfo("backups: %d x %d", restore->width(), restore->height());
        save(restore, "cwr1-backups");
        checkLayout(restore);
        restore->close();
        if (QTest::currentTestFailed())
            return;

        const QString file = rig.dir.file("differing.ini");
        saveDifferingFile(page, file);
        rig.prompts.planFileName(file);
        QDialog *compare = openRecordDialog(page, "mmCompareWithDevice", "compareDialog");
        QVERIFY(compare);
        const int rows = compare->findChild<QTableWidget *>("table")->rowCount();
        QVERIFY2(rows > 30, qPrintable(QString::number(rows)));
        qInfo("comparison of %d rows: %d x %d", rows, compare->width(), compare->height());
        save(compare, "cwr1-comparison");
        checkLayout(compare);
        compare->close();
    }

    // The bus scan with what it found on a bus of six, and while it runs.
    void scanDialog()
    {
        ScanRig rig;
        QVERIFY(rig.start());
        rig.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
        checkLayout(rig.dialog.get());
        QVERIFY(rig.scanAll());
        QCOMPARE(rig.dialog->scanResultTable->rowCount(), 6);
        qInfo("scan: %d x %d", rig.dialog->width(), rig.dialog->height());
        save(rig.dialog.get(), "scan-found");
        checkLayout(rig.dialog.get());
        rig.choose({1200, 2400, 4800}, 1, 254);
        rig.dialog->scanTimeoutSpinBox->setValue(3000);
        rig.dialog->scanStartButton->click();
        QTRY_VERIFY(!rig.dialog->scanStateLabel->text().isEmpty() &&
                    rig.dialog->scanStateLabel->text().startsWith("Zkouším"));
        save(rig.dialog.get(), "scan-running");
        checkLayout(rig.dialog.get());
        QVERIFY(rig.dialog->running());
    }
    void zslVoltage()
    {
        look<TcForm12>(
            "ZSL", "zsl-voltage",
            [](TcForm12 &page) {
                page.inputCombo()->setCurrentIndex(6);
                page.decimalPoint()->setItemIndex(1);
            },
            QSize(1180, 640));
    }
};

QTEST_MAIN(LooksTest)
#include "tst_looks.moc"
