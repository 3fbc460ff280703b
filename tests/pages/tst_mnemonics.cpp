// The keyboard in every window of the program. Alt+letter in the main window, every page of
// the registry, its live window, its test windows, and the dialogs: no letter is ambiguous
// within a window (a button beside a menu of the same letter is not: the button has it), and
// each letter, pressed as a user presses it, reaches its target. A menu whose letter a button
// has is reached with F10, then the letter. Tab on every page goes in reading order: the
// groups column by column, top to bottom, each group whole, the buttons last. The dialogs
// with lists (bus scan, backups, comparison): every button has its letter, and Tab goes once
// around them in reading order, out of the table too.

#include "ListDialogs.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "pages/framework/TrendPlot.h"
#include "pages/framework/TrendWindow.h"
#include "pages/pages.h"
#include "pages/sensors/TcForm13.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/SystemDialog.h"
#include "shell/TrafficMonitor.h"
#include "sim/Sim.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/ScreenFit.h"
#include "tests/support/TestClock.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <functional>
#include <map>

namespace {

// What one Alt+letter of a window reaches.
struct Targets {
    QList<QWidget *> controls; // buttons, and labels by their buddies
    QList<QAction *> menus;
};

std::map<int, Targets> mnemonicsOf(QWidget *window)
{
    std::map<int, Targets> found;
    auto letter = [](const QString &text) {
        const QKeySequence m = QKeySequence::mnemonic(text);
        return m.isEmpty() ? 0 : int(m[0].key());
    };
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
        if (b->window() == window && b->isVisible() && b->isEnabled() && letter(b->text()))
            found[letter(b->text())].controls << b;
    for (QLabel *l : window->findChildren<QLabel *>())
        if (l->window() == window && l->isVisible() && l->buddy() && letter(l->text()))
            found[letter(l->text())].controls << l;
    if (auto *main = qobject_cast<QMainWindow *>(window))
        if (auto *bar = qobject_cast<QMenuBar *>(main->menuWidget()))
            for (QAction *a : bar->actions())
                if (a->isVisible() && letter(a->text()))
                    found[letter(a->text())].menus << a;
    return found;
}

QString describe(const Targets &t)
{
    QStringList names;
    for (QWidget *w : t.controls)
        names << w->objectName() + " \"" + (qobject_cast<QAbstractButton *>(w)
                                                  ? static_cast<QAbstractButton *>(w)->text()
                                                  : static_cast<QLabel *>(w)->text()) + "\"";
    for (QAction *a : t.menus)
        names << "menu \"" + a->text() + "\"";
    return names.join(", ");
}

// Every letter of `window`: unambiguous, and reaching its target when pressed.
void walk(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const auto letters = mnemonicsOf(window);
    QList<QAbstractButton *> silenced;
    for (const auto &[key, targets] : letters) {
        const QString where = window->objectName() + " Alt+" + QKeySequence(key).toString() +
                              ": " + describe(targets);
        QVERIFY2(targets.controls.size() <= 1 && targets.menus.size() <= 1, qPrintable(where));
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());
        if (!targets.controls.isEmpty()) {
            QWidget *control = targets.controls.front();
            auto *button = qobject_cast<QAbstractButton *>(control);
            QWidget *focus = button ? button : static_cast<QLabel *>(control)->buddy();
            // The click itself is the page's business (a read, a test); here it goes nowhere.
            if (button && !button->signalsBlocked()) {
                button->blockSignals(true);
                silenced << button;
            }
            if (focus->hasFocus()) // the key must be what brings it there
                focus->clearFocus();
            QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
            QVERIFY2(focus->hasFocus() || (button && button->isDown()), qPrintable(where));
            for (QAction *menu : targets.menus)
                QVERIFY2(!menu->menu()->isVisible(), qPrintable(where + " opened the menu"));
            if (!targets.menus.isEmpty()) {
                // The menu keeps its letter behind F10.
                QTest::qWait(150); // the button's click animation ends
                QTest::keyClick(window, Qt::Key_F10);
                QWidget *now = QApplication::focusWidget() ? QApplication::focusWidget() : window;
                QTest::keyClick(now, Qt::Key(key));
                QMenu *menu = targets.menus.front()->menu();
                QTRY_VERIFY2(menu->isVisible(), qPrintable(where + " after F10"));
                menu->close();
                QTRY_VERIFY(!menu->isVisible());
                QTest::keyClick(window, Qt::Key_Escape);
            }
        } else {
            QMenu *menu = targets.menus.front()->menu();
            QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
            QTRY_VERIFY2(menu->isVisible(), qPrintable(where));
            menu->close();
            QTRY_VERIFY(!menu->isVisible());
        }
    }
    QTest::qWait(150); // clicks animated with their signals off run out here
    for (QAbstractButton *b : silenced)
        b->blockSignals(false);
}

// A technician reaches every button of the dialog by its letter.
void everyButtonHasALetter(QWidget *window)
{
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->window() == window && b->isVisible())
            QVERIFY2(!QKeySequence::mnemonic(b->text()).isEmpty(),
                     qPrintable(window->objectName() + ": \"" + b->text() + "\" has no letter"));
}

// Tab goes once around every control the window's user can reach, row by row from the top,
// each row from the left.
void tabInReadingOrder(QWidget *window)
{
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    QList<QWidget *> reachable;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
            w->isEnabled() && !w->focusProxy())
            reachable << w;
    QVERIFY(reachable.size() >= 2);
    const auto at = [window](QWidget *w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    const auto sameRow = [](const QRect &a, const QRect &b) {
        return (a.center().y() >= b.top() && a.center().y() <= b.bottom()) ||
               (b.center().y() >= a.top() && b.center().y() <= a.bottom());
    };
    QWidget *first = reachable.front();
    for (QWidget *w : reachable)
        if (sameRow(at(w), at(first)) ? at(w).x() < at(first).x() : at(w).y() < at(first).y())
            first = w;
    first->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), first);
    QList<QWidget *> visited{first};
    for (int i = 0; i < reachable.size() + 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first)
            break;
        visited << QApplication::focusWidget();
    }
    QStringList names;
    for (QWidget *w : visited)
        names << widgetName(w);
    const QString where = window->objectName() + ": " + names.join(' ');
    QVERIFY2(QApplication::focusWidget() == first, qPrintable(where + " (not back at the start)"));
    QVERIFY2(visited.size() == reachable.size(), qPrintable(where));
    for (int i = 1; i < visited.size(); ++i) {
        const QRect a = at(visited.at(i - 1)), b = at(visited.at(i));
        QVERIFY2(sameRow(a, b) ? a.x() < b.x() : a.y() < b.y(),
                 qPrintable(where + " (" + names.at(i) + " out of order)"));
    }
}

// The whole keyboard of a dialog.
void walkDialog(QWidget *dialog)
{
    walk(dialog);
    if (!QTest::currentTestFailed())
        everyButtonHasALetter(dialog);
    if (!QTest::currentTestFailed())
        tabInReadingOrder(dialog);
}

} // namespace

class MnemonicsTest : public QObject
{
    Q_OBJECT

    PageRegistry registry;

private slots:
    void initTestCase() { registerPages(registry); }

    void mainWindowAndDialogs()
    {
        DeviceRig rig;
        TmForm form(registry);
        walk(&form);
        // Its two views, one at a time (the device list once a port is chosen).
        const std::function<void()> views[] = {
            [&] { form.findChild<QAction *>("mmSerial")->trigger(); },
            [&] { form.mmChooseComponentClick(); }};
        for (const auto &show : views) {
            show();
            walk(&form);
            if (QTest::currentTestFailed())
                return;
        }
        form.hide();
        TSystemDialog system;
        walk(&system);
        TAboutBox about;
        walk(&about);
        TTrafficMonitor traffic;
        walk(&traffic);
    }

    // The bus scan with the devices it found, and again while it runs.
    void scanDialog()
    {
        ScanRig rig;
        QVERIFY(rig.start());
        walkDialog(rig.dialog.get());
        QVERIFY(rig.scanAll());
        walkDialog(rig.dialog.get());
        if (QTest::currentTestFailed())
            return;
        // A slow scan: three seconds for every address.
        rig.choose({1200, 2400, 4800}, 1, 254);
        rig.dialog->scanTimeoutSpinBox->setValue(3000);
        rig.dialog->scanStartButton->click();
        QVERIFY(rig.dialog->running());
        walkDialog(rig.dialog.get());
        QVERIFY(rig.dialog->running());
    }

    // A page's backups and a file compared with its device.
    void recordDialogs()
    {
        TestClock clock;
        DeviceRig rig;
        QVERIFY(rig.start(wallModule("CWR1")));
        auto page = std::make_unique<TcForm13>();
        rig.shell.page = page.get();
        page->show();
        page->getButtonClick();
        plantBackups(*page, customerTexts());
        if (QTest::currentTestFailed())
            return;
        QDialog *restore = openRecordDialog(*page, "mmRestoreBackup", "restoreDialog");
        QVERIFY(restore);
        walkDialog(restore);
        restore->close();
        if (QTest::currentTestFailed())
            return;
        const QString file = rig.dir.file("differing.ini");
        saveDifferingFile(*page, file);
        rig.prompts.planFileName(file);
        QDialog *compare = openRecordDialog(*page, "mmCompareWithDevice", "compareDialog");
        QVERIFY(compare);
        QVERIFY(compare->findChild<QTableWidget *>("table")->rowCount() > 1);
        walkDialog(compare);
        compare->close();
    }

    void tabOrder_data() { everyPage_data(); }
    void tabOrder()
    {
        QFETCH(int, index);
        DeviceRig rig;
        std::unique_ptr<QWidget> made(registry.create(index));
        auto *page = qobject_cast<TComponentForm *>(made.get());
        QVERIFY(page);
        rig.shell.page = page;
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        // Every control Tab can reach, and the group each lies in (the buttons in none).
        auto groupOf = [&](QWidget *w) -> QWidget * {
            QWidget *outer = nullptr;
            for (QWidget *p = w; p && p != page; p = p->parentWidget())
                if (qobject_cast<QGroupBox *>(p))
                    outer = p;
            return outer;
        };
        QList<QWidget *> reachable;
        for (QWidget *w : page->findChildren<QWidget *>())
            if (w->window() == page && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
                w->isEnabled() && !w->focusProxy() && !qobject_cast<QMenuBar *>(w) &&
                (groupOf(w) || w == page->getButton() || w == page->sendButton()))
                reachable << w;
        QVERIFY(reachable.size() > 2);
        // From the last control of the round (the page's "Uložit data") once around.
        page->sendButton()->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(QApplication::focusWidget() == page->sendButton());
        QList<QWidget *> visited;
        for (int i = 0; i < reachable.size() + 2; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *w = QApplication::focusWidget();
            visited << w;
            if (w == page->sendButton())
                break;
        }
        QStringList names;
        for (QWidget *w : visited)
            names << w->objectName();
        // Everything once (of a set of radio buttons the chosen one), the buttons last.
        for (QWidget *w : reachable)
            QVERIFY2(qobject_cast<QRadioButton *>(w) || visited.count(w) == 1,
                     qPrintable(w->objectName() + ": " + names.join(' ')));
        QCOMPARE(QSet<QWidget *>(visited.begin(), visited.end()).size(), visited.size());
        QVERIFY(visited.at(visited.size() - 2) == page->getButton());
        // The groups in reading order (by column, then from the top), each in one run.
        QList<QWidget *> runs;
        for (int i = 0; i + 2 < visited.size(); ++i) {
            QWidget *g = groupOf(visited.at(i));
            QVERIFY2(g, qPrintable(visited.at(i)->objectName()));
            if (runs.isEmpty() || runs.last() != g) {
                QVERIFY2(!runs.contains(g),
                         qPrintable(static_cast<QGroupBox *>(g)->title() + " visited twice"));
                runs << g;
            }
        }
        for (int i = 1; i < runs.size(); ++i) {
            const QPoint a = runs.at(i - 1)->mapTo(page, QPoint());
            const QPoint b = runs.at(i)->mapTo(page, QPoint());
            QVERIFY2(a.x() < b.x() || (a.x() == b.x() && a.y() < b.y()),
                     qPrintable(QStringLiteral("%1 (%2,%3) before %4 (%5,%6)")
                                    .arg(static_cast<QGroupBox *>(runs.at(i - 1))->title())
                                    .arg(a.x())
                                    .arg(a.y())
                                    .arg(static_cast<QGroupBox *>(runs.at(i))->title())
                                    .arg(b.x())
                                    .arg(b.y())));
        }
    }

    void everyPage_data()
    {
        QTest::addColumn<int>("index");
        PageRegistry pages;
        registerPages(pages);
        for (int index : pages.indices())
            QTest::newRow(qPrintable(QString::number(index))) << index;
    }
    // A page, its live window with the trend window, and each of its test windows.
    void everyPage()
    {
        QFETCH(int, index);
        TestClock clock; // an output test's preparation takes seconds otherwise
        DeviceRig rig;
        std::unique_ptr<QWidget> made(registry.create(index));
        auto *page = qobject_cast<TComponentForm *>(made.get());
        QVERIFY(page);
        if (std::unique_ptr<sim::Device> device = sim::createModel(page->windowTitle()))
            QVERIFY(rig.start(std::shared_ptr<sim::Device>(std::move(device))));
        rig.shell.page = page;
        walk(page);
        if (QTest::currentTestFailed())
            return;

        // Each button that opens a test window: the window, walked.
        int tests = 0, opened = 0;
        for (QAbstractButton *b : page->findChildren<QAbstractButton *>()) {
            if (!b->isVisible() || !QString(b->text()).remove('&').contains("Test", Qt::CaseInsensitive))
                continue;
            ++tests;
            b->click();
            QWidget *test = page->testWindow();
            if (!test)
                continue;
            ++opened;
            walk(test);
            if (QTest::currentTestFailed())
                return;
            test->close();
            // A test window that is still counting down closes when its count ends
            // (seconds on the real clock, more under a sanitizer).
            QTRY_VERIFY_WITH_TIMEOUT(!page->testWindow(), 30000);
        }
        QCOMPARE(opened, tests);

        if (QAction *live = page->findChild<QAction *>("mmLoadExtra")) {
            live->trigger();
            auto *window = qobject_cast<TExtraForm *>(page->liveWindow());
            QVERIFY(window);
            walk(window);
            if (QTest::currentTestFailed())
                return;
            TTrendPlot preview;
            TTrendWindow trend(preview, nullptr);
            walk(&trend);
            live->trigger();
            QTRY_VERIFY(!page->liveWindow());
        }
    }
};

QTEST_MAIN(MnemonicsTest)
#include "tst_mnemonics.moc"
