// The progress dialog over the open page, driven by a real exchange.

#include "ShellFixture.h"
#include "link/TTransmit.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/SystemDialog.h"

#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;
    QList<int> positions;
    QProgressBar *bar = nullptr;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (bar)
                positions.append(bar->value());
        }
        return false;
    }
};

} // namespace

class TestSystemDialog : public QObject
{
    Q_OBJECT

private slots:
    void disablesAndCentresOverThePage();
    void keepPageDisabledLeavesThePageDisabled();
    void everyStepOfAnExchangeIsPaintedAtOnce();
    void withoutAPageItStillShows();
};

namespace {

struct Setup {
    WorkingDir dir;
    ScriptedPrompts prompts;
    PageRegistry registry;
    TmForm form{registry};
    TSystemDialog dialog{&form};

    Setup()
    {
        registry.add(4, [] {
            auto *page = new QWidget;
            page->setObjectName(QStringLiteral("cForm10"));
            page->setGeometry(200, 150, 500, 400);
            return page;
        });
        form.setSystemDialog(&dialog);
        form.componentListBox->setCurrentRow(4);
        form.componentOkButtonClick();
    }
};

} // namespace

void TestSystemDialog::disablesAndCentresOverThePage()
{
    Setup s;
    QWidget *page = s.form.currentPage();
    QVERIFY(page);
    QCOMPARE(&Shell::instance().systemDialog(), &s.dialog);
    QCOMPARE(s.dialog.windowTitle(), QStringLiteral("Pracuji, prosím čekejte ..."));
    QVERIFY(s.dialog.ProgressBar->isHidden());

    s.dialog.showOverPage();
    QVERIFY(s.dialog.isVisible());
    QVERIFY(!page->isEnabled());
    const QRect frame = page->frameGeometry();
    QCOMPARE(s.dialog.x(), frame.left() + frame.width() / 2 - s.dialog.width() / 2);
    QCOMPARE(s.dialog.y(), frame.top() + frame.height() / 2 - s.dialog.height() / 2);

    // Escape does not take the dialog away from under an exchange.
    QTest::keyClick(&s.dialog, Qt::Key_Escape);
    QVERIFY(s.dialog.isVisible());

    s.dialog.closeOverPage();
    QVERIFY(!s.dialog.isVisible());
    QVERIFY(page->isEnabled());
}

void TestSystemDialog::keepPageDisabledLeavesThePageDisabled()
{
    Setup s;
    QWidget *page = s.form.currentPage();
    s.dialog.keepPageDisabled = true; // a test window is open
    s.dialog.showOverPage();
    s.dialog.closeOverPage();
    QVERIFY(!page->isEnabled());

    s.dialog.keepPageDisabled = false; // the test window closed
    s.dialog.showOverPage();
    s.dialog.closeOverPage();
    QVERIFY(page->isEnabled());
}

void TestSystemDialog::everyStepOfAnExchangeIsPaintedAtOnce()
{
    Setup s;
    auto server = startDevice("T4yJ");
    QVERIFY(server);
    server->device()->mapRange(sim::Table::Holding, 0x2001, 15, 7);
    s.dir.mapPorts({{1, server->path()}});
    s.form.serialNameComboBox->setCurrentIndex(0);

    s.dialog.showOverPage();
    PaintCounter counter(s.dialog.ProgressBar);
    counter.bar = s.dialog.ProgressBar;

    TTransmit transmit(s.form);
    transmit.clear();
    transmit.setFunction(3);
    transmit.setStart(0x2001);
    transmit.setCount(15);
    QVERIFY(transmit.buildRequest());
    // No event loop runs during the exchange: whatever was painted was painted at once.
    const TransmitResult result = transmit.transact(&s.dialog);
    QCOMPARE(result.error, 0);
    QCOMPARE(transmit.nextValue(), qint16(7));
    QVERIFY2(
        counter.positions.contains(1) && counter.positions.contains(2) &&
            counter.positions.contains(3),
        qPrintable(
            QStringLiteral("painted positions: %1")
                .arg(
                    QVariant::fromValue(counter.positions).toStringList().join(QLatin1Char(',')))));
    QVERIFY(s.dialog.ProgressBar->isHidden());
    s.dialog.closeOverPage();
    QVERIFY(s.form.serial == nullptr);
}

void TestSystemDialog::withoutAPageItStillShows()
{
    WorkingDir dir;
    TSystemDialog dialog;
    QVERIFY(!Shell::isInstalled());
    dialog.showOverPage();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.page() == nullptr);
    dialog.setMaximum(3);
    dialog.setPosition(2);
    QCOMPARE(dialog.position(), 2);
    dialog.closeOverPage();
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestSystemDialog)
#include "tst_systemdialog.moc"
