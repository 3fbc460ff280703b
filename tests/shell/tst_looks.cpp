// The windows laid out as the user sees them: nothing clipped, nothing squeezed below the
// size its text needs. Set OVRIN_SCREENSHOT_DIR to keep a PNG of each view for a look.

#include "ShellFixture.h"
#include "tests/support/ScreenFit.h"
#include "link/PortDiagnosis.h"
#include "link/Traffic.h"
#include "shell/AboutBox.h"
#include "shell/ListWindow.h"
#include "shell/MainForm.h"
#include "shell/ProgramIcon.h"
#include "shell/StatusPanels.h"
#include "shell/SystemDialog.h"
#include "shell/TrafficMonitor.h"
#include "shell/Translations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

namespace {

// Visible widgets that stick out of their parent or are smaller than their text needs.
QStringList layoutFaults(QWidget *top)
{
    QStringList faults;
    const auto widgets = top->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(top) || w->isWindow() || !w->parentWidget())
            continue;
        const bool named = !w->objectName().isEmpty() && !w->objectName().startsWith("qt_");
        if (!named)
            continue;
        const QRect inParent = w->geometry();
        if (!w->parentWidget()->rect().contains(inParent))
            faults << QStringLiteral("%1 outside its parent").arg(w->objectName());
        const auto *label = qobject_cast<QLabel *>(w);
        const QSize need = label && label->hasScaledContents() ? QSize() : w->minimumSizeHint();
        if (need.isValid() && (w->width() < need.width() || w->height() < need.height()))
            faults << QStringLiteral("%1 squeezed (%2x%3 < %4x%5)")
                          .arg(w->objectName())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(need.width())
                          .arg(need.height());
    }
    return faults;
}

void expectTidy(QWidget *top)
{
    const QStringList faults = layoutFaults(top) + screenFitFaults(top);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

void keepShot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("OVRIN_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

} // namespace

class TestLooks : public QObject
{
    Q_OBJECT

private slots:
    void mainWindowViews();
    void aboutBoxAndProgressDialog();
    void czechStandardTexts();
    void trafficMonitorAndPortDetails();
    void windowAroundATable_data();
    void windowAroundATable();
    void programIconInEverySize();
    void programIconDrawnForTheScreen_data();
    void programIconDrawnForTheScreen();
};

void TestLooks::mainWindowViews()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    TmForm form;
    form.FormCreate();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // The logo and the name sit on the panel, which covers the whole client area.
    QCOMPARE(form.introductionPanel->geometry(), form.centralWidget()->rect());
    QCOMPARE(form.introductionLogo->size(), QSize(270, 141));
    QCOMPARE(form.introductionProductName->font().pixelSize(), 21);
    QVERIFY(form.introductionPanel->rect().contains(form.introductionLogo->geometry()));
    QVERIFY(form.introductionLogo->geometry().bottom() <
            form.introductionProductName->geometry().top());
    expectTidy(&form);
    keepShot(&form, QStringLiteral("main-intro"));

    form.mmSerialClick();
    QCOMPARE(form.serialGroupBox->pos(), QPoint(24, 36));
    expectTidy(&form);
    keepShot(&form, QStringLiteral("main-serial"));

    form.mmChooseComponentClick();
    QCOMPARE(form.componentGroupBox->pos(), QPoint(24, 36));
    expectTidy(&form);
    keepShot(&form, QStringLiteral("main-components"));

    // The status bar: three centred panels, the first two of fixed width.
    auto panels = form.mFormStatusBar->findChildren<QLabel *>();
    QCOMPARE(panels.size(), 3);
    QVERIFY(panels[0]->width() >= 150);
    QVERIFY(panels[1]->width() >= 60);
    // Wider only where this platform's font needs it for the texts they show.
    for (const char *text : {"Úvodní okno", "Nastavení sériového přenosu", "Výběr komponenty"}) {
        QVERIFY(panels[0]->fontMetrics().horizontalAdvance(QString::fromUtf8(text)) <=
                panels[0]->contentsRect().width());
    }
    QVERIFY(panels[2]->width() >= 50);

    // Each shortcut shows beside its item; Ctrl+S is listed under mmSerial too.
    form.mmTools->popup(form.mapToGlobal(QPoint(60, 20)));
    QVERIFY(QTest::qWaitForWindowExposed(form.mmTools));
    keepShot(form.mmTools, QStringLiteral("menu-tools"));
    QCOMPARE(form.mmSerial->text().section(QLatin1Char('\t'), 1), QStringLiteral("Ctrl+S"));
    QVERIFY(form.mmTools->actionGeometry(form.mmShowHint).width() >=
            form.mmTools->fontMetrics().horizontalAdvance(form.mmShowHint->text()));
    form.mmTools->close();

    // At the minimum size everything still fits.
    form.resize(form.minimumSize());
    QTest::qWait(20);
    expectTidy(&form);
    QCOMPARE(form.introductionPanel->geometry(), form.centralWidget()->rect());
}

void TestLooks::aboutBoxAndProgressDialog()
{
    TAboutBox about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(298, 299));
    QVERIFY(about.OKButton->isDefault());
    const auto logo = about.findChild<QLabel *>(QStringLiteral("ProgramIcon"));
    QVERIFY(logo && !logo->pixmap().isNull());
    QCOMPARE(logo->size(), QSize(182, 93));
    keepShot(&about, QStringLiteral("about"));
    expectTidy(&about);
    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(!about.isVisible());

    TSystemDialog dialog;
    dialog.showOverPage();
    dialog.setMaximum(3);
    dialog.setPosition(2);
    dialog.setBarVisible(true);
    QCOMPARE(dialog.size(), QSize(205, 31));
    QCOMPARE(dialog.ProgressBar->size(), QSize(183, 17));
    QVERIFY(dialog.rect().contains(dialog.ProgressBar->geometry()));
    keepShot(&dialog, QStringLiteral("progress"));
    dialog.closeOverPage();
}

// Qt's own texts in Czech too: the close question's buttons and the save dialog.
void TestLooks::czechStandardTexts()
{
    QVERIFY(installCzechTranslations(*qApp));
    QMessageBox question(QMessageBox::Question, QStringLiteral("Uložit"),
                         QStringLiteral("Nastavení komponenty bylo změněno. Přejete si ho uložit?"),
                         QMessageBox::Yes | QMessageBox::No);
    question.show();
    QVERIFY(QTest::qWaitForWindowExposed(&question));
    QCOMPARE(question.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("Ano"));
    QCOMPARE(question.button(QMessageBox::No)->text().remove('&'), QStringLiteral("Ne"));
    keepShot(&question, QStringLiteral("close-question"));
    question.close();

    QFileDialog save(nullptr, QStringLiteral("Uložit konfiguraci"), QString(),
                     QStringLiteral("Soubory s nastavením (*.ini)"));
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    save.show();
    QVERIFY(QTest::qWaitForWindowExposed(&save));
    const auto *box = save.findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QStringList buttons;
    for (const QAbstractButton *b : box->buttons())
        buttons << b->text().remove('&');
    QVERIFY2(buttons.contains(QStringLiteral("Uložit")), qPrintable(buttons.join(',')));
    QVERIFY2(buttons.contains(QStringLiteral("Zrušit")), qPrintable(buttons.join(',')));
    keepShot(&save, QStringLiteral("save-dialog"));
    save.close();
}

// The traffic monitor with a good and a failed exchange, and the port error's box with what
// was found about the port in its details.
void TestLooks::trafficMonitorAndPortDetails()
{
    TTrafficMonitor monitor;
    monitor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&monitor));
    const qint64 now = Traffic::nowMs();
    Traffic::record(QByteArray::fromHex("FF0400010008B5D2"),
                    QByteArray::fromHex("FF0410543479 4A20202020202020202020202020201234"), 0, now,
                    now + 12);
    Traffic::record(QByteArray::fromHex("FF032001000F4A10"), QByteArray(), 6, now + 20, now + 2100);
    monitor.refresh();
    QCOMPARE(monitor.table()->rowCount(), 4);
    expectTidy(&monitor);
    keepShot(&monitor, QStringLiteral("traffic-monitor"));
    monitor.close();

    WorkingDir dir;
    dir.write("serialPorts.ini", "[ports]\nCOM3=/dev/ttyUSB7\n");
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Chyba"),
                    QStringLiteral("Sériová linka neodpovídá - zkontrolujte její připojení"),
                    QMessageBox::Ok);
    box.setDetailedText(diagnosePort(3).details());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // The details unfolded, as the user would open them.
    for (QAbstractButton *b : box.buttons())
        if (box.buttonRole(b) == QMessageBox::ActionRole)
            b->click();
    QTest::qWait(20);
    keepShot(&box, QStringLiteral("port-details"));
    QVERIFY(
        box.detailedText().startsWith(QStringLiteral("Port COM3 odpovídá zařízení /dev/ttyUSB7.")));
}

void TestLooks::windowAroundATable_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("words"); // in each cell of the two long columns
    QTest::addColumn<bool>("wraps");
    QTest::newRow("a few short rows") << 3 << 2 << false;
    QTest::newRow("more rows than the screen holds") << 300 << 2 << false;
    QTest::newRow("wider than the screen") << 5 << 30 << true;
    QTest::newRow("wider and longer than the screen") << 300 << 30 << true;
}

// A window sized around its table: within the small screen, every column whole or its text
// wrapped, a long list scrolling down but never sideways, the last column stretched.
void TestLooks::windowAroundATable()
{
    QFETCH(int, rows);
    QFETCH(int, words);
    QFETCH(bool, wraps);
    QDialog window;
    window.setObjectName(QStringLiteral("window"));
    auto *layout = new QVBoxLayout(&window);
    auto *table = new QTableWidget(rows, 4, &window);
    table->setObjectName(QStringLiteral("table"));
    table->setHorizontalHeaderLabels({QStringLiteral("Skupina"), QStringLiteral("Soubor"),
                                      QStringLiteral("Zařízení"), QStringLiteral("Jednotka")});
    table->horizontalHeader()->setStretchLastSection(true);
    const QString text = QStringList(words, QStringLiteral("teplota")).join(' ');
    for (int r = 0; r < rows; ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QStringLiteral("Nastavení režimu %1").arg(r)));
        table->setItem(r, 1, new QTableWidgetItem(text));
        table->setItem(r, 2, new QTableWidgetItem(text + QStringLiteral(" 2")));
        table->setItem(r, 3, new QTableWidgetItem(QStringLiteral("°C")));
    }
    layout->addWidget(table);
    auto *button = new QPushButton(QStringLiteral("Za&vřít"), &window);
    button->setObjectName(QStringLiteral("button"));
    layout->addWidget(button);
    fitWindowToTable(window, *table, QSize(300, 200));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    expectTidy(&window);
    QCOMPARE(table->verticalScrollBar()->isVisible(), rows > 100);
    for (int c = 0; c + 1 < table->columnCount(); ++c)
        QVERIFY2(wraps || table->columnWidth(c) >= static_cast<QAbstractItemView *>(table)->sizeHintForColumn(c), qPrintable(QString::number(c)));
    QCOMPARE(table->rowHeight(0) > table->verticalHeader()->defaultSectionSize(), wraps);
    const int right = table->columnViewportPosition(3) + table->columnWidth(3);
    QCOMPARE(right, table->viewport()->width());
    // Tab leaves the table instead of walking its cells.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    table->setFocus();
    QTRY_VERIFY(table->hasFocus());
    QTest::keyClick(table, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
}

// The icon the windows carry, in the sizes the desktop entry installs.
void TestLooks::programIconInEverySize()
{
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
    QWidget window;
    QCOMPARE(window.windowIcon().availableSizes(), icon.availableSizes());
}

void TestLooks::programIconDrawnForTheScreen_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("drawn");
    QTest::newRow("frame 100 %") << 16 << 1.0 << 16;
    QTest::newRow("frame 125 %") << 16 << 1.25 << 20;
    QTest::newRow("frame 150 %") << 16 << 1.5 << 24;
    QTest::newRow("frame 200 %") << 16 << 2.0 << 32;
    QTest::newRow("list 150 %") << 24 << 1.5 << 36;
    QTest::newRow("list 200 %") << 24 << 2.0 << 48;
    QTest::newRow("task bar 125 %") << 32 << 1.25 << 40;
    QTest::newRow("large 150 %") << 48 << 1.5 << 72;
    QTest::newRow("large 200 %") << 48 << 2.0 << 96;
}

// On a screen at 125 %, 150 % or 200 % the icon is the one drawn in that many pixels, not a
// neighbour scaled into them.
void TestLooks::programIconDrawnForTheScreen()
{
    QFETCH(int, size);
    QFETCH(qreal, ratio);
    QFETCH(int, drawn);
    QImage shown = programIcon().pixmap(QSize(size, size), ratio).toImage();
    QImage file(QStringLiteral(":/icons/ovrin-%1.png").arg(drawn));
    QVERIFY(!file.isNull());
    shown.setDevicePixelRatio(1);
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             file.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
