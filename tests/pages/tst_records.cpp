// The commissioning record on real pages against simulated devices: the backup a write
// keeps of what the device held (and the write it stops when it cannot be kept), a backup
// restored and sent back, the comparison of a file with the device, the PDF protocol.

#include "link/Messages.h"
#include "pages/controllers/TcForm2.h"
#include "pages/converters/TcForm1.h"
#include "pages/framework/Backups.h"
#include "pages/framework/Comparison.h"
#include "pages/framework/RecordMenu.h"
#include "pages/framework/SettingsView.h"
#include "pages/sensors/TcForm13.h"
#include "platform/Profile.h"
#include "sim/models/WallModule.h"
#include "tests/support/DeviceRig.h"
#include "tests/support/TestClock.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

namespace {

std::unique_ptr<TComponentForm> makePage(const QString &model)
{
    const std::map<QString, std::function<TComponentForm *()>> pages = {
        {"T4yJ", [] { return new TcForm1; }},
        {"CWR1", [] { return new TcForm13; }},
        {"E-7PZ", [] { return new TcForm2; }},
    };
    return std::unique_ptr<TComponentForm>(pages.at(model)());
}

// The page's section of a configuration file, key -> value (keys without regard to case).
std::map<QString, QString> sectionOf(const QString &file, const QString &section)
{
    std::map<QString, QString> out;
    const Profile p(file);
    for (const QString &key : p.keys(section))
        out[key.toLower()] = p.readString(section, key, QString());
    return out;
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(20000);
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QLineEdit *customerEdit(TComponentForm &page)
{
    for (const Setting &s : settingsOf(page))
        if (s.key.contains(QStringLiteral("ZdTextEdit"), Qt::CaseInsensitive))
            return const_cast<QLineEdit *>(qobject_cast<const QLineEdit *>(s.control));
    return nullptr;
}

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeviceRig> rig;
    std::unique_ptr<TestClock> clock;
    std::unique_ptr<TComponentForm> page;

    bool start(const QString &model)
    {
        auto device = std::shared_ptr<sim::Device>(sim::createModel(model));
        // The wall module answers its commands at once (the test clock does not wait).
        if (auto *wall = dynamic_cast<sim::models::WallModule *>(device.get()))
            wall->setCommandDelayMs(0);
        return rig->start(device);
    }
    TComponentForm &open(const QString &model)
    {
        page = makePage(model);
        rig->shell.page = page.get();
        page->show();
        return *page;
    }
    void trigger(const char *item) { page->menuItem(QString::fromLatin1(item))->trigger(); }
    QString section() const { return page->traits().configurationSection(); }
    // The device's settings as a read of the page saves them.
    QString deviceFile(const QString &name)
    {
        page->getButtonClick();
        const QString file = rig->dir.file(name);
        page->saveControls(file, section());
        return file;
    }

private slots:
    void init()
    {
        rig = std::make_unique<DeviceRig>();
        clock = std::make_unique<TestClock>();
    }
    void cleanup()
    {
        page.reset();
        clock.reset();
        rig.reset();
    }

    void menuItemsOnThePage()
    {
        QVERIFY(start("T4yJ"));
        open("T4yJ");
        const QStringList captions = {"Obnovit ze zálohy…", "Porovnat se zařízením…",
                                      "Protokol o nastavení…"};
        const char *names[] = {"mmRestoreBackup", "mmCompareWithDevice", "mmProtocol"};
        for (int i = 0; i < 3; ++i) {
            QAction *a = page->menuItem(QString::fromLatin1(names[i]));
            QVERIFY2(a, names[i]);
            QCOMPARE(a->text(), captions[i]);
        }
    }

    // The write keeps what the device held, read through the page, before its first write;
    // the form stays as the user left it and goes to the device.
    void backupBeforeEveryWrite_data()
    {
        QTest::addColumn<QString>("model");
        QTest::newRow("T4yJ") << "T4yJ";
        QTest::newRow("CWR1") << "CWR1";
        QTest::newRow("E-7PZ") << "E-7PZ";
    }
    void backupBeforeEveryWrite()
    {
        QFETCH(QString, model);
        QVERIFY(start(model));
        open(model);
        const QString before = deviceFile("before.ini");
        QLineEdit *text = customerEdit(*page);
        QVERIFY(text);
        text->setText(QStringLiteral("Kotelna č2"));
        rig->server->clearLog();
        page->sendButtonClick();
        QCOMPARE(page->panelText(2), message(14));
        QCOMPARE(text->text(), QStringLiteral("Kotelna č2"));

        const QString backup = lastBackupOf(*page);
        QVERIFY(QFile::exists(backup));
        QVERIFY(backup.contains("/backups/" + model + "-"));
        QCOMPARE(sectionOf(backup, section()), sectionOf(before, section()));
        // The backup's read came before any write frame.
        const auto frames = rig->server->frames();
        QVERIFY(!frames.isEmpty());
        QCOMPARE(quint8(frames.front().bytes[1]), quint8(4));
        int firstWrite = -1, reads = 0;
        for (int i = 0; i < int(frames.size()); ++i) {
            const quint8 f = quint8(frames[i].bytes[1]);
            if (firstWrite < 0 && (f == 16 || f == 6 || f == 5))
                firstWrite = i;
            reads += firstWrite < 0 && f == 3;
        }
        QVERIFY(firstWrite > 0);
        QVERIFY(reads >= 1);
        const std::vector<BackupEntry> list = backupsOf(model);
        QCOMPARE(list.size(), size_t(1));
        QVERIFY(!list.front().identification.isEmpty());
        QCOMPARE(list.front().customerText, Profile(before).readString(
                                                section(), page->keyOf(text), QString()));

        // The new text is on the device.
        page->getButtonClick();
        QCOMPARE(customerEdit(*page)->text(), QStringLiteral("Kotelna č2"));
    }

    // The backup adds one read of the page's blocks to the write and nothing else: the
    // write's identification serves it and its read gives the registers the device keeps.
    void writeWithItsBackupOnTheLine_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("frames"); // function start count, in order
        // Identification, the backup's read (which also gives the register the device
        // keeps), the write, the read-back.
        QTest::newRow("T4yJ") << "T4yJ"
                              << QStringList{"4 0001 8", "3 2001 15", "16 2001 15",
                                             "3 2001 15"};
        // The four ranges, then the blocks each with its command (a write of 0x001c
        // and its poll), the read-back.
        const QStringList command = {"16 001c 1", "3 001c 1"};
        QTest::newRow("CWR1") << "CWR1"
                              << QStringList{"4 0010 8", "3 0008 2", "3 001d 5", "3 0028 24",
                                             "3 004c 64", "16 0008 2"}
                                     + command + QStringList{"16 001d 5"} + command
                                     + QStringList{"16 0028 16", "16 004c 32", "16 006c 16",
                                                   "16 007c 16"}
                                     + command
                                     + QStringList{"3 0008 2", "3 001d 5", "3 0028 24",
                                                   "3 004c 64"};
        QTest::newRow("E-7PZ") << "E-7PZ"
                               << QStringList{"4 0001 8", "3 2000 20", "16 2000 20",
                                              "3 2000 20"};
    }
    void writeWithItsBackupOnTheLine()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, frames);
        QVERIFY(start(model));
        open(model);
        const QString before = deviceFile("before.ini");
        customerEdit(*page)->setText(QStringLiteral("Sklad"));
        rig->server->clearLog();
        page->sendButtonClick();
        QCOMPARE(page->panelText(2), message(14));
        QStringList sent;
        for (const sim::Frame &f : rig->server->frames())
            sent << QStringLiteral("%1 %2 %3")
                        .arg(quint8(f.bytes[1]))
                        .arg((quint8(f.bytes[2]) << 8) | quint8(f.bytes[3]), 4, 16, QLatin1Char('0'))
                        .arg((quint8(f.bytes[4]) << 8) | quint8(f.bytes[5]));
        QCOMPARE(sent, frames);
        // The backup is the device as a read of the page saves it.
        QCOMPARE(sectionOf(lastBackupOf(*page), section()), sectionOf(before, section()));
    }

    // No backup, no write: not one frame goes out.
    void backupThatCannotBeWrittenStopsTheWrite()
    {
        QVERIFY(start("T4yJ"));
        open("T4yJ");
        page->getButtonClick();
        rig->dir.write("backups", "a file where the folder should be");
        rig->server->clearLog();
        page->sendButtonClick();
        QVERIFY(rig->prompts.lastText().startsWith("Zálohu nastavení zařízení nelze uložit"));
        QCOMPARE(page->panelText(2), message(16));
        QCOMPARE(int(rig->server->frames().size()), 0);
    }

    // The folder can take the file when the write starts but not when the backup's read is
    // done: the backup's own message, the form as it was, no write frame.
    void backupThatCannotBeSavedAfterItsRead()
    {
        // Shared: the server's thread may outlive this function when a check fails.
        const auto armed = std::make_shared<std::atomic<bool>>(false);
        const QString folder = rig->dir.file("backups");
        rig->observer = [armed, folder](const sim::Frame &f) {
            if (f.reply || quint8(f.bytes[1]) != 4 || !armed->exchange(false))
                return;
            // The write's identification: the file made for the backup becomes a folder.
            for (const QString &name : QDir(folder).entryList({"*.ini"}, QDir::Files)) {
                QFile::remove(folder + "/" + name);
                QDir(folder).mkdir(name);
            }
        };
        QVERIFY(start("T4yJ"));
        open("T4yJ");
        page->getButtonClick();
        customerEdit(*page)->setText(QStringLiteral("Neodesláno"));
        const std::vector<Setting> form = settingsOf(*page);
        rig->server->clearLog();
        *armed = true;
        page->sendButtonClick();
        QVERIFY(!*armed);
        QCOMPARE(rig->prompts.count(), 1);
        QVERIFY2(rig->prompts.lastText().startsWith("Zálohu nastavení zařízení nelze uložit do "
                                                    "souboru " + folder + "/T4yJ-"),
                 qPrintable(rig->prompts.lastText()));
        QVERIFY(rig->prompts.lastText().endsWith(". Do zařízení nebylo nic zapsáno."));
        QCOMPARE(page->panelText(2), message(16));
        QCOMPARE(rig->frames(16) + rig->frames(6) + rig->frames(5), 0);
        QVERIFY(changedSettings(form, settingsOf(*page)).empty());
    }

    // The newest 200 of a model stay; other models' backups are not touched.
    void newestBackupsKept()
    {
        QVERIFY(start("T4yJ"));
        const QDateTime base(QDate(2026, 1, 1), QTime(8, 0, 0));
        for (int i = 0; i < 203; ++i)
            QFile(newBackupPath("T4yJ", base.addSecs(i / 2))).open(QIODevice::WriteOnly);
        QFile(newBackupPath("E-HB5/HN9", base)).open(QIODevice::WriteOnly);
        QFile(newBackupPath("T4yJN", base)).open(QIODevice::WriteOnly);
        keepNewestBackups("T4yJ");
        const std::vector<BackupEntry> list = backupsOf("T4yJ");
        QCOMPARE(list.size(), size_t(200));
        // Newest first: the second of one second before the first.
        QVERIFY(list.front().path.endsWith("T4yJ-20260101-080141.ini"));
        QVERIFY(list.at(1).path.endsWith("T4yJ-20260101-080140-2.ini"));
        QVERIFY(list.at(2).path.endsWith("T4yJ-20260101-080140.ini"));
        QVERIFY(!QFile::exists(rig->dir.file("backups/T4yJ-20260101-080000.ini")));
        QVERIFY(QFile::exists(rig->dir.file("backups/E-HB5-HN9-20260101-080000.ini")));
        QCOMPARE(backupsOf("T4yJN").size(), size_t(1));
    }

    // A write that went wrong is undone: the backup into the form, sent, the device as before.
    void restoreAndSendPutsTheOldValuesBack_data() { backupBeforeEveryWrite_data(); }
    void restoreAndSendPutsTheOldValuesBack()
    {
        QFETCH(QString, model);
        QVERIFY(start(model));
        open(model);
        const auto original = sectionOf(deviceFile("original.ini"), section());
        customerEdit(*page)->setText(QStringLiteral("Chybně"));
        page->sendButtonClick();
        QCOMPARE(page->panelText(2), message(14));
        QVERIFY(sectionOf(deviceFile("wrong.ini"), section()) != original);

        trigger("mmRestoreBackup");
        auto *dialog = page->findChild<QDialog *>("restoreDialog");
        QVERIFY(dialog);
        auto *table = dialog->findChild<QTableWidget *>("table");
        QCOMPARE(table->rowCount(), 1);
        if (qEnvironmentVariableIsSet("RECORDS_KEEP"))
            dialog->grab().save(qEnvironmentVariable("RECORDS_KEEP") + "/restore-" + model + ".png");
        QCOMPARE(table->item(0, 3)->text(), Profile(lastBackupOf(*page))
                                                .readString("backup", "CustomerText", "?"));
        dialog->findChild<QPushButton *>("loadButton")->click();
        QCOMPARE(page->panelText(2), message(19));
        QVERIFY(customerEdit(*page)->text() != QStringLiteral("Chybně"));
        page->sendButtonClick();
        QCOMPARE(page->panelText(2), message(14));
        // What a fresh page reads from the device now is what it read before the bad write.
        page = makePage(model);
        rig->shell.page = page.get();
        QCOMPARE(sectionOf(deviceFile("restored.ini"), section()), original);
    }

    // The comparison lists exactly the settings a file changes, on the device's own terms;
    // the form stays as it was until "Načíst do formuláře".
    void comparisonFindsExactlyTheChanges_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("delta"); // added to the stored number (a box: toggled)
        QTest::addColumn<QString>("fileValue");
        QTest::newRow("numeric") << "T4yJ" << "c1ZdOffScrollBar" << 25 << "2,5";
        QTest::newRow("list") << "T4yJ" << "c1SkSpdComboBox" << -1 << "9600";
        QTest::newRow("check box") << "E-7PZ" << "c2AutCheckBox" << 0 << "";
        QTest::newRow("symbol") << "CWR1" << "c13Symbol1Mode1ComboBoxEx" << 1 << "";
    }
    void comparisonFindsExactlyTheChanges()
    {
        QFETCH(QString, model);
        QFETCH(QString, key);
        QFETCH(int, delta);
        QFETCH(QString, fileValue);
        QVERIFY(start(model));
        open(model);
        const QString file = deviceFile("setup.ini");
        {
            Profile p(file);
            const int now = p.readInteger(section(), key, -100);
            QVERIFY2(now != -100, qPrintable(key));
            p.writeInteger(section(), key, delta == 0 ? 1 - now : now + delta);
        }
        const std::vector<Setting> form = settingsOf(*page);
        rig->prompts.planFileName(file);
        trigger("mmCompareWithDevice");
        auto *dialog = page->findChild<QDialog *>("compareDialog");
        QVERIFY(dialog);
        auto *table = dialog->findChild<QTableWidget *>("table");
        QCOMPARE(table->rowCount(), 1);
        QString caption;
        for (const Setting &s : form)
            if (s.key.compare(key, Qt::CaseInsensitive) == 0)
                caption = s.caption;
        QCOMPARE(table->item(0, 1)->text(), caption);
        if (!fileValue.isEmpty())
            QCOMPARE(table->item(0, 2)->text(), fileValue);
        QVERIFY(table->item(0, 2)->text() != table->item(0, 3)->text());
        if (qEnvironmentVariableIsSet("RECORDS_KEEP"))
            dialog->grab().save(qEnvironmentVariable("RECORDS_KEEP") + "/compare-" +
                                QTest::currentDataTag() + ".png");
        // The form as it was: no value taken from the file or the device.
        const std::vector<Setting> after = settingsOf(*page);
        QVERIFY(changedSettings(form, after).empty());

        dialog->findChild<QPushButton *>("loadButton")->click();
        QCOMPARE(page->panelText(2), message(19));
        const auto loaded = changedSettings(form, settingsOf(*page));
        QCOMPARE(loaded.size(), size_t(1));
        QCOMPARE(loaded.front().after.key.toLower(), key.toLower());
    }

    // The protocol: the device's settings as the page shows them, its facts and the result,
    // Czech text intact in the PDF's text; one A4 page.
    void protocolOfTheDevice_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("setting"); // a caption, value and unit on one line
        QTest::newRow("T4yJ") << "T4yJ" << "Korekční posuv měřené teploty\\s+0,0\\s+°C";
        QTest::newRow("CWR1") << "CWR1" << "Zákaznické textové pole\\s+Kotelna č2";
        QTest::newRow("E-7PZ") << "E-7PZ" << "Zákaznické textové pole\\s+Kotelna č2";
    }
    void protocolOfTheDevice()
    {
        QFETCH(QString, model);
        QFETCH(QString, setting);
        QVERIFY(start(model));
        open(model);
        page->getButtonClick();
        customerEdit(*page)->setText(QStringLiteral("Kotelna č2"));
        page->sendButtonClick();
        QCOMPARE(page->panelText(2), message(14));
        const QString pdf = rig->dir.file("protokol.pdf");
        rig->prompts.planFileName(rig->dir.file("protokol")); // the extension is added
        rig->server->clearLog();
        trigger("mmProtocol");
        QCOMPARE(int(rig->server->frames().size()), 0); // the verified write stands for it
        QCOMPARE(page->panelText(2), QStringLiteral("Protokol uložen"));
        const QString text = pdfText(pdf);
        // RECORDS_KEEP=folder keeps the documents for a look (pdftoppm).
        if (qEnvironmentVariableIsSet("RECORDS_KEEP"))
            QFile::copy(pdf, qEnvironmentVariable("RECORDS_KEEP") + "/" + model + ".pdf");
        QVERIFY2(text.contains("Protokol o nastavení zařízení " + model), qPrintable(text));
        QVERIFY(text.contains("TORVAK Ovrin 1.0.15"));
        QVERIFY(text.contains(QRegularExpression("Identifikace:\\s+" + model)));
        QVERIFY(text.contains("Ověřeno zpětným čtením"));
        QVERIFY2(text.contains(QRegularExpression(setting)), qPrintable(text));
        QVERIFY(text.contains("Jméno technika:"));
        QVERIFY(text.contains("Podpis:"));
        QCOMPARE(pdfPages(pdf), 1);

        // An edit not sent: the protocol reads the device, not the form.
        customerEdit(*page)->setText(QStringLiteral("Neodesláno"));
        rig->prompts.planFileName(pdf);
        trigger("mmProtocol");
        QVERIFY(rig->server->frames().size() > 0);
        const QString read = pdfText(pdf);
        QVERIFY(read.contains("Načteno ze zařízení"));
        QVERIFY(read.contains("Kotelna č2"));
        QVERIFY(!read.contains("Neodesláno"));
        QCOMPARE(customerEdit(*page)->text(), QStringLiteral("Neodesláno"));
    }
};

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
