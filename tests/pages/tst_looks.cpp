// How the converter pages and their live windows look: nothing clipped or overlapping, the
// page a sensible size, every documented control where a user expects it. With
// OVRIN_SCREENSHOT_DIR set, the windows are also saved there as PNG files to look at.

#include "ConverterFixture.h"

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
    void look(const QString &model, const QString &name, std::function<void(Page &)> prepare)
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
        // About the size of the original window (632 x 486 client).
        QVERIFY2(page.width() <= 760 && page.height() <= 640,
                 qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
        checkLayout(&page);
        QVERIFY(!QTest::currentTestFailed());
        // The buttons sit below the groups, inside the window.
        QVERIFY(page.rect().contains(page.sendButton()->geometry()));
        save(&page, name);

        page.menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QWidget *live = page.liveWindow();
        QVERIFY(live);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > 2, 5000);
        QCOMPARE(live->width(), 242);
        checkLayout(live);
        QVERIFY(!QTest::currentTestFailed());
        save(live, name + "-live");
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
};

QTEST_MAIN(LooksTest)
#include "tst_looks.moc"
