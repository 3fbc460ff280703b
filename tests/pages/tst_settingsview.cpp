// Every saved setting of every page as a person reads it: in its group, under its caption
// as the page shows it (never a control's name, never one name for two settings), its value
// as shown (lists by their text, check boxes, the number of a picture), the unit the page
// shows beside it at the moment, and its key; and the changes between two views.

#include "pages/framework/SettingsView.h"
#include "pages/framework/TComponentForm.h"
#include "pages/pages.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestShell.h"
#include "tests/support/WorkingDir.h"

#include <QComboBox>
#include <QSet>
#include <QtTest>
#include <memory>

namespace {

std::unique_ptr<TComponentForm> pageOf(TestShell &shell, const QString &model)
{
    const int index = componentNames().indexOf(model);
    shell.variant = componentTypeFor(index);
    std::unique_ptr<TComponentForm> page(
        qobject_cast<TComponentForm *>(PageRegistry::instance().create(index)));
    shell.page = page.get();
    return page;
}

const Setting *named(const std::vector<Setting> &settings, const QString &name)
{
    for (const Setting &s : settings)
        if (s.name() == name)
            return &s;
    return nullptr;
}

// A configuration file saved by the page, with some keys changed, loaded as a user does.
void loadWith(TComponentForm &page, WorkingDir &dir, const QList<QPair<QString, QString>> &keys)
{
    ScriptedPrompts prompts;
    const QString file = dir.file("settings.ini");
    prompts.planFileName(file);
    page.mmSaveConfigureClick();
    QString text = QString::fromUtf8(dir.read("settings.ini"));
    for (const auto &[key, value] : keys) {
        const QRegularExpression line("^" + key + "=.*$", QRegularExpression::MultilineOption);
        QVERIFY2(text.contains(line), qPrintable(key));
        text.replace(line, key + "=" + value);
    }
    dir.write("settings.ini", text.toUtf8());
    prompts.planFileName(file);
    page.mmLoadConfigurationClick();
    QCOMPARE(prompts.last().text, QString());
}

} // namespace

class SettingsViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerPages(PageRegistry::instance()); }

    void everyPage_data()
    {
        QTest::addColumn<QString>("model");
        for (int index : PageRegistry::instance().indices())
            QTest::newRow(qPrintable(componentNames().value(index)))
                << componentNames().value(index);
    }
    void everyPage()
    {
        QFETCH(QString, model);
        WorkingDir dir;
        TestShell shell;
        std::unique_ptr<TComponentForm> page = pageOf(shell, model);
        QVERIFY(page);
        const std::vector<Setting> settings = settingsOf(*page);
        QCOMPARE(settings.size(), page->controlTable().entries().size());
        QSet<QString> names;
        for (size_t i = 0; i < settings.size(); ++i) {
            const Setting &s = settings[i];
            QCOMPARE(s.control, page->controlTable().entries()[i].control);
            QCOMPARE(s.key, page->keyOf(s.control));
            // Only a radio group may stand outside any group: it is a box of its own.
            QVERIFY2(!s.group.isEmpty() || s.kind == ControlKind::RadioGroup, qPrintable(s.key));
            QVERIFY2(!s.caption.isEmpty() && s.caption != s.control->objectName(),
                     qPrintable(s.key + ": " + s.caption));
            QVERIFY2(!names.contains(s.name()), qPrintable(s.key + ": " + s.name()));
            names.insert(s.name());
            if (s.kind != ControlKind::Edit)
                QVERIFY2(!s.value.isEmpty(), qPrintable(s.key));
        }
    }

    // The cases that went wrong: pictures only, one caption in three groups, a unit the page
    // hides.
    void shownAsOnThePage()
    {
        WorkingDir dir;
        TestShell shell;
        {
            auto page = pageOf(shell, "CWR1");
            loadWith(*page, dir, {{"c13Symbol3Mode2ComboBoxEx", "12"}});
            const auto settings = settingsOf(*page);
            const Setting *symbol = named(settings, "Nastavení režimu 2 › Symbol 3");
            QVERIFY(symbol);
            QCOMPARE(symbol->key, QString("c13Symbol3Mode2ComboBoxEx"));
            QCOMPARE(symbol->value, QString("symbol 12"));
            QCOMPARE(symbol->picture, 12);
            QCOMPARE(symbol->stored, QString("12"));
            for (const char *mode : {"1", "2", "3"})
                QVERIFY(named(settings, QString("Nastavení režimu %1 › Počet režimů").arg(mode)));
            const Setting *speed = named(settings, "Základní nastavení › Komunikační rychlost");
            QVERIFY(speed);
            QCOMPARE(speed->shown(), QString("1200 Bd"));
        }
        {
            auto page = pageOf(shell, "E-HN2");
            const auto settings = settingsOf(*page);
            for (const char *name : {"Režim › DO.0",
                                     "Hodnota výstupů při poruše - dvoustavový výstup › DO.0",
                                     "Nastavení klidových stavů výstupů (negace) › DO.0",
                                     "Nastavení času trvaní jednoho kroku › DO.0"})
                QVERIFY2(named(settings, name), name);
            QCOMPARE(named(settings, "Režim › DO.0")->value, QString("D"));
            QCOMPARE(named(settings, "Hodnota výstupů při poruše - dvoustavový výstup › DO.0")
                         ->value,
                     QString("ne"));
            QCOMPARE(named(settings, "Nastavení času trvaní jednoho kroku › DO.0")->unit,
                     QString("ms"));
        }
        {
            // A bar whose label shows its value ("Min = 0"), and a flag kept as a list.
            auto page = pageOf(shell, "E-7PZ");
            const auto settings = settingsOf(*page);
            const Setting *min = named(settings, "Nastavení hranic necitlivosti › Min");
            QVERIFY(min);
            QCOMPARE(min->value, QString("0"));
            QVERIFY(named(settings, "Nastavení hranic necitlivosti › Max"));
            auto zsl = pageOf(shell, "ZSL");
            const Setting *dac = nullptr;
            const auto zslSettings = settingsOf(*zsl);
            for (const Setting &s : zslSettings)
                if (s.key == "cDacERadioGroup")
                    dac = &s;
            QVERIFY(dac);
            QCOMPARE(dac->caption, QString("Aktivace DAC"));
            QCOMPARE(dac->value, QString("ne"));
        }
        {
            auto page = pageOf(shell, "ZG");
            auto start = [&] {
                for (const Setting &s : settingsOf(*page))
                    if (s.key == "c11AuI1ScrollBar")
                        return s;
                return Setting();
            };
            QCOMPARE(start().unit, QString("°C"));
            // A voltage input: its range has no unit on the page, nor in the view.
            const int volts = page->findChild<QComboBox *>("c11ZdIntComboBox")
                                  ->findText("napětí 0-10 V");
            QVERIFY(volts >= 0);
            loadWith(*page, dir, {{"c11ZdIntComboBox", QString::number(volts)},
                                  {"c11AuI1ScrollBar", "-20000"}});
            QCOMPARE(start().value, QString("-20000"));
            QCOMPARE(start().unit, QString());
            QCOMPARE(start().shown(), QString("-20000"));
        }
    }

    void changes()
    {
        WorkingDir dir;
        TestShell shell;
        auto page = pageOf(shell, "T4yJ");
        const auto before = settingsOf(*page);
        QVERIFY(changedSettings(before, settingsOf(*page)).empty());
        loadWith(*page, dir, {{"c1ZdTextEdit", "Kotelna 2"}, {"c1SkSpdComboBox", "4"}});
        const auto changes = changedSettings(before, settingsOf(*page));
        QStringList lines;
        for (const SettingChange &c : changes)
            lines << c.after.name() + ": " + c.before.shown() + " -> " + c.after.shown();
        QVERIFY2(lines.contains("Základní nastavení › Zákaznické textové pole: Text -> Kotelna 2"),
                 qPrintable(lines.join('\n')));
        QVERIFY2(lines.contains("Základní nastavení › Komunikační rychlost: "
                                "(nevybráno) Bd -> 19200 Bd") ||
                     lines.contains("Základní nastavení › Komunikační rychlost: 1200 Bd -> 19200 Bd"),
                 qPrintable(lines.join('\n')));
        // A stored value that changed while the text shown did not is a change all the same.
        Setting a = before.front();
        Setting b = a;
        b.stored = "other";
        QCOMPARE(changedSettings({a}, {b}).size(), size_t(1));
        QCOMPARE(changedSettings({a}, {a}).size(), size_t(0));
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
