// What holds on every device page alike: the keys of its scroll bars and their large steps,
// the changed marker around a refused configuration file and a read that changes nothing,
// and keys that a disabled button's shortcut must not turn into text.

#include "pages/controllers/TcForm12.h"
#include "pages/controllers/TcForm2.h"
#include "pages/controllers/TcForm6.h"
#include "pages/converters/TcForm1.h"
#include "pages/converters/TcForm11.h"
#include "pages/converters/TcForm4.h"
#include "pages/converters/TcForm8.h"
#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm7.h"
#include "pages/digital_io/TcForm9.h"
#include "pages/framework/Countdown.h"
#include "pages/sensors/TcForm10.h"
#include "pages/sensors/TcForm13.h"
#include "pages/sensors/TcForm14.h"
#include "pages/sensors/TcForm5.h"
#include "pages/framework/Backups.h"
#include "pages/framework/SettingsView.h"
#include "platform/Profile.h"
#include "sim/models/WallModule.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/TestClock.h"

#include <QAbstractScrollArea>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

namespace {

// Every page by the simulated model it serves (the KQx family page as the KQx).
const QStringList kModels = {"KQx",  "CWR1", "E-7PZ", "E-UV6", "E-HN2", "E-HB2", "E-HB5/HN9",
                             "GWR1", "T4yJ", "T4yG",  "T6yR",  "ZK",    "ZSL",   "ZG"};

std::unique_ptr<TComponentForm> makePage(const QString &model)
{
    const std::map<QString, std::function<TComponentForm *()>> pages = {
        {"KQx", [] { return new TcForm6(nullptr, 1); }},
        {"CWR1", [] { return new TcForm13; }},
        {"E-7PZ", [] { return new TcForm2; }},
        {"E-UV6", [] { return new TcForm10; }},
        {"E-HN2", [] { return new TcForm3; }},
        {"E-HB2", [] { return new TcForm7; }},
        {"E-HB5/HN9", [] { return new TcForm9; }},
        {"GWR1", [] { return new TcForm14; }},
        {"T4yJ", [] { return new TcForm1; }},
        {"T4yG", [] { return new TcForm8; }},
        {"T6yR", [] { return new TcForm5; }},
        {"ZK", [] { return new TcForm4; }},
        {"ZSL", [] { return new TcForm12; }},
        {"ZG", [] { return new TcForm11; }},
    };
    return std::unique_ptr<TComponentForm>(pages.at(model)());
}

void everyModel()
{
    QTest::addColumn<QString>("model");
    for (const QString &m : kModels)
        QTest::newRow(qPrintable(m)) << m;
}

} // namespace

class EveryPageTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeviceRig> rig;
    std::unique_ptr<TComponentForm> page;

    TComponentForm *open(const QString &model)
    {
        page = makePage(model);
        rig->shell.page = page.get();
        page->show();
        return page.get();
    }

private slots:
    void init() { rig = std::make_unique<DeviceRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    // Right and Up raise a bar, Left and Down lower it, on the page and in its live window.
    void scrollBarKeys_data() { everyModel(); }
    void scrollBarKeys()
    {
        QFETCH(QString, model);
        TComponentForm *p = open(model);
        std::unique_ptr<TExtraForm> live(p->createLiveWindow());
        QList<QScrollBar *> bars;
        for (QWidget *window : {static_cast<QWidget *>(p), static_cast<QWidget *>(live.get())}) {
            if (!window)
                continue;
            // The value bars; a list's own scrolling (a drop-down's view) is Qt's.
            for (QScrollBar *b : window->findChildren<QScrollBar *>()) {
                bool listOwn = false;
                for (QWidget *w = b->parentWidget(); w && !listOwn; w = w->parentWidget())
                    listOwn = qobject_cast<QAbstractScrollArea *>(w) != nullptr;
                if (!listOwn)
                    bars << b;
            }
        }
        QVERIFY(!bars.isEmpty());
        for (QScrollBar *bar : bars)
            QVERIFY2(!bar->invertedControls(), qPrintable(bar->objectName()));

        // The keys themselves, on the first bar with room both ways.
        QScrollBar *bar = nullptr;
        for (QScrollBar *b : std::as_const(bars))
            if (!bar && b->maximum() - b->minimum() >= 4)
                bar = b;
        QVERIFY(bar);
        bar->setEnabled(true);
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
        const struct {
            Qt::Key key;
            int sign;
        } keys[] = {{Qt::Key_Right, 1}, {Qt::Key_Up, 1}, {Qt::Key_Left, -1}, {Qt::Key_Down, -1}};
        for (const auto &k : keys) {
            const int before = bar->value();
            QTest::keyClick(bar, k.key);
            QVERIFY2((bar->value() - before) * k.sign > 0,
                     qPrintable(bar->objectName() + " " + QString::number(k.key, 16)));
        }
    }

    // The large step of the bars that have one of their own; PageUp moves by it.
    void largeSteps_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<int>("step");
        QTest::newRow("KQx correction") << "KQx"
                                        << "c6ZdOffScrollBar" << 100;
        for (const char *name : {"cZdI1ScrollBar", "cZdI2ScrollBar", "cAuSpScrollBar",
                                 "cAuLim1ScrollBar", "cAuLim2ScrollBar", "cAuHys1ScrollBar",
                                 "cAuHys2ScrollBar", "cZdI1ScrollBar2", "cZdI2ScrollBar2"})
            QTest::newRow(name) << "ZSL" << name << 100;
        QTest::newRow("E-HN2 failure time") << "E-HN2"
                                            << "c3ZdTerScrollBar" << 100;
        QTest::newRow("E-HN2 steps") << "E-HN2"
                                     << "c3ZdT0ScrollBar" << 10;
        QTest::newRow("E-HN2 failure value") << "E-HN2"
                                             << "c3ZdE7ScrollBar" << 10;
        QTest::newRow("E-HN2 step time") << "E-HN2"
                                         << "c3ZdK3ScrollBar" << 100;
        QTest::newRow("E-HB2 failure time") << "E-HB2"
                                            << "c7ZdTerScrollBar" << 100;
        QTest::newRow("E-HB2 sampling") << "E-HB2"
                                        << "c7ZdIvzScrollBar" << 100;
        QTest::newRow("E-HB5/HN9 sampling") << "E-HB5/HN9"
                                            << "c9ZdIvzScrollBar" << 1000;
        QTest::newRow("E-7PZ dead band") << "E-7PZ"
                                         << "c2ZdVminScrollBar" << 5;
        QTest::newRow("T4yG PWM") << "T4yG"
                                  << "c8PWMScrollBar" << 10;
        QTest::newRow("ZG output range") << "ZG"
                                         << "c11AuU1ScrollBar" << 100;
    }
    void largeSteps()
    {
        QFETCH(QString, model);
        QFETCH(QString, bar);
        QFETCH(int, step);
        TComponentForm *p = open(model);
        auto *b = p->findChild<QScrollBar *>(bar);
        QVERIFY(b);
        QCOMPARE(b->pageStep(), step);
        b->setEnabled(true);
        b->setValue(b->minimum());
        QTest::keyClick(b, Qt::Key_PageUp);
        QCOMPARE(b->value(), std::min(b->minimum() + step, b->maximum()));
    }

    // A file of another page is refused and the marker stays as it was, set or not.
    void refusedFileKeepsTheMarker_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("changed");
        for (const QString &m : kModels) {
            QTest::newRow(qPrintable(m + " clear")) << m << false;
            QTest::newRow(qPrintable(m + " set")) << m << true;
        }
    }
    void refusedFileKeepsTheMarker()
    {
        QFETCH(QString, model);
        QFETCH(bool, changed);
        TComponentForm *p = open(model);
        rig->dir.write("other.ini", "[cForm99]\nc99ZdTextEdit=Jiný\nmmShowHint=1\n");
        p->markChanged(changed);
        rig->prompts.planFileName(rig->dir.file("other.ini"));
        p->mmLoadConfigurationClick();
        QCOMPARE(rig->prompts.lastText(),
                 QString("Soubor s konfigurací není určen pro tento formulář"));
        QCOMPARE(p->isChanged(), changed);
    }

    // A read that finds what the page already shows changes no field: the marker stays
    // clear, so closing after a re-read asks nothing. A read that changes a field sets it.
    void rereadLeavesTheMarker_data() { everyModel(); }
    void rereadLeavesTheMarker()
    {
        QFETCH(QString, model);
        TestClock clock;
        QVERIFY(rig->start(model));
        if (model == "KQx")
            rig->shell.variant = 1;
        TComponentForm *p = open(model);
        p->readAll();
        QCOMPARE(rig->prompts.count(), 0);
        QVERIFY(p->isChanged());
        p->markChanged(false);
        p->readAll();
        QCOMPARE(rig->prompts.count(), 0);
        QCOMPARE(p->panelText(2), QString("Operace proběhla OK"));
        QVERIFY(!p->isChanged());
    }

    // A read that fails leaves every control as it was, also the input ranges of a type
    // other than the device's, whose limits follow the type: after an earlier good read,
    // wherever the read stops (identification, the block, the firmware after it).
    void failedReadLeavesTheInputRanges_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("form"); // loaded as "Načíst konfiguraci" does
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("first"); // the registers that fail
        const std::map<QString, QString> forms = {
            {"ZK", "[cForm4]\nc4ZdIntComboBox=4\nc4AuI1ScrollBar=1500\n"
                   "c4AuI2ScrollBar=9000\n"},
            {"ZG", "[cForm11]\nc11ZdIntComboBox=4\nc11AuI1ScrollBar=1500\n"
                   "c11AuI2ScrollBar=9000\nc11AuU1ScrollBar=-500\nc11AuU2ScrollBar=20000\n"},
        };
        const std::pair<const char *, std::pair<sim::Table, int>> stops[] = {
            {"identification", {sim::Table::Input, sim::kClassicIdentification}},
            {"block", {sim::Table::Holding, 0x2006}},
            {"firmware", {sim::Table::Input, 0x0000}},
        };
        for (const auto &[model, form] : forms)
            for (const auto &[where, at] : stops)
                QTest::newRow(qPrintable(model + " " + where))
                    << model << form << int(at.first) << at.second;
    }
    void failedReadLeavesTheInputRanges()
    {
        QFETCH(QString, model);
        QFETCH(QString, form);
        QFETCH(int, table);
        QFETCH(int, first);
        TestClock clock;
        QVERIFY(rig->start(model));
        // The device measures 4-20 mA over 4,00..20,00.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0040, 0, 0x0104, 400, 2000});
        TComponentForm *p = open(model);
        p->readAll();
        QCOMPARE(rig->prompts.texts(), QStringList());
        const std::vector<Setting> device = settingsOf(*p);
        rig->dir.write("form.ini", form.toUtf8());
        rig->prompts.planFileName(rig->dir.file("form.ini"));
        p->mmLoadConfigurationClick();
        const std::vector<Setting> before = settingsOf(*p);
        // The type and every range other than the device's.
        QStringList changed;
        for (const SettingChange &c : changedSettings(device, before))
            changed << c.after.key.toLower();
        for (const QString &line : form.split('\n').mid(1, form.count('\n') - 1))
            QVERIFY2(changed.contains(line.section('=', 0, 0).toLower()), qPrintable(line));
        rig->server->setException(sim::Table(table), first, first, 2);
        p->readAll();
        QCOMPARE(rig->prompts.texts(),
                 QStringList{"Adresa registru, ke kterému chcete přistoupit je mimo rozsah"});
        for (const SettingChange &c : changedSettings(before, settingsOf(*p)))
            QFAIL(qPrintable(c.after.key + ": " + c.before.shown() + " -> " + c.after.shown()));
    }

    // A write keeps what the device held, as a read of the page saves it, and the form that
    // the backup's own read went through is back as the user left it before it is sent.
    void writeKeepsTheDeviceInItsBackup_data() { everyModel(); }
    void writeKeepsTheDeviceInItsBackup()
    {
        QFETCH(QString, model);
        TestClock clock;
        auto device = std::shared_ptr<sim::Device>(sim::createModel(model));
        if (auto *wall = dynamic_cast<sim::models::WallModule *>(device.get()))
            wall->setCommandDelayMs(0);
        QVERIFY(rig->start(device));
        if (model == "KQx")
            rig->shell.variant = 1;
        TComponentForm *p = open(model);
        p->readAll();
        const QString section = p->traits().configurationSection();
        const QString before = rig->dir.file("before.ini");
        QVERIFY(p->saveControls(before, section));
        QLineEdit *text = nullptr;
        for (QLineEdit *e : p->findChildren<QLineEdit *>())
            if (e->objectName().endsWith("ZdTextEdit", Qt::CaseInsensitive))
                text = e;
        QVERIFY(text);
        text->setText(QStringLiteral("Záloha 1"));
        p->writeAll();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(p->panelText(2), QString("Operace proběhla OK"));
        QCOMPARE(text->text(), QStringLiteral("Záloha 1"));
        const QString backup = lastBackupOf(*p);
        QVERIFY(QFile::exists(backup));
        const Profile a(before), b(backup);
        QCOMPARE(b.keys(section), a.keys(section));
        for (const QString &key : a.keys(section))
            QCOMPARE(b.readString(section, key, "?"), a.readString(section, key, "!"));
    }
};

QTEST_MAIN(EveryPageTest)
#include "tst_every_page.moc"
