// How the device pages and their live windows look: nothing clipped or overlapping, the
// page a sensible size, every documented control where a user expects it. With
// OVRIN_SCREENSHOT_DIR set, the windows are also saved there as PNG files to look at.

#include "ConverterFixture.h"
#include "pages/converters/TcForm11.h"
#include "pages/converters/TcForm8.h"
#include "pages/sensors/TcForm10.h"
#include "pages/sensors/TcForm5.h"

#include <QGroupBox>
#include <QPushButton>
#include <QStatusBar>

namespace {

void save(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("OVRIN_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + "/" + name + ".png");
}

// Texts fit their labels, and no two visible widgets of a group box overlap.
void checkLayout(QWidget *window)
{
    // Layouts follow text changes on the next turn of the event loop.
    QTest::qWait(50);
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty())
            continue;
        QVERIFY2(label->width() >= label->sizeHint().width(),
                 qPrintable(label->objectName() + ": " + label->text()));
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

} // namespace

class LooksTest : public QObject
{
    Q_OBJECT

    template <typename Page>
    void look(const QString &model, const QString &name, std::function<void(Page &)> prepare,
              QSize most = QSize(760, 640))
    {
        ConverterRig rig;
        QVERIFY(rig.start(model));
        Page page;
        rig.shell.page = &page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.getButton()->click();
        prepare(page);
        QCOMPARE(page.windowTitle(), model);
        // Layouts follow text changes on the next turn of the event loop.
        QTest::qWait(50);
        save(&page, name);
        // About the size of the original window (632 x 486 client on the T4yJ).
        QVERIFY2(page.width() <= most.width() && page.height() <= most.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
        checkLayout(&page);
        QVERIFY(!QTest::currentTestFailed());
        // The buttons sit below the groups, inside the window.
        QVERIFY(page.rect().contains(page.sendButton()->geometry()));

        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QWidget *live = page.liveWindow();
        QVERIFY(live);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > 2, 5000);
        QTest::qWait(50);
        save(live, name + "-live");
        QCOMPARE(live->width(), 242);
        checkLayout(live);
        QVERIFY(!QTest::currentTestFailed());
        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page.liveWindow());
    }

private slots:
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
    void t6yr()
    {
        look<TcForm5>("T6yR", "t6yr", [](TcForm5 &) {});
    }
};

QTEST_MAIN(LooksTest)
#include "tst_looks.moc"
