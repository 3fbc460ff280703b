#pragma once

// The dialogs that show lists, opened the way a user opens them and filled as a working day
// fills them: a page's backups ("Obnovit ze zálohy…"), a file compared with its device
// ("Porovnat se zařízením…"), and the bus scan with the devices it found.

#include "pages/framework/Backups.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "shell/ScanDialog.h"
#include "sim/Sim.h"
#include "sim/models/WallModule.h"
#include "tests/support/PtyPortOwner.h"
#include "tests/support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>

// Customer texts as technicians write them, the last one as long as a file may hold.
inline QStringList customerTexts()
{
    return {QStringLiteral("Kotelna č2"), QStringLiteral("Byt 12"), QString(),
            QStringLiteral("Výměníková stanice – objekt B, 3. patro, rozvaděč R3.2 vlevo")};
}

// A wall module that answers its commands at once (the test clock does not wait).
inline std::shared_ptr<sim::Device> wallModule(const QString &model)
{
    auto device = std::shared_ptr<sim::Device>(sim::createModel(model));
    static_cast<sim::models::WallModule *>(device.get())->setCommandDelayMs(0);
    return device;
}

// One backup per customer text of the page's model, a day apart, as writes leave them.
inline void plantBackups(TComponentForm &page, const QStringList &texts)
{
    QDateTime when(QDate(2026, 3, 2), QTime(7, 45, 3));
    for (const QString &text : texts) {
        const QString file = newBackupPath(page.traits().caption, when);
        QVERIFY(writeBackup(page, file, when));
        Profile(file).writeString(QStringLiteral("backup"), QStringLiteral("CustomerText"), text);
        when = when.addSecs(26 * 3600 + 61);
    }
}

// A file of the page's settings that differs from the form in every list and check box.
inline void saveDifferingFile(TComponentForm &page, const QString &file)
{
    for (QComboBox *c : page.findChildren<QComboBox *>())
        if (c->count() > 1)
            c->setCurrentIndex((c->currentIndex() + 1) % c->count());
    for (QCheckBox *c : page.findChildren<QCheckBox *>())
        c->setChecked(!c->isChecked());
    QVERIFY(page.saveControls(file, page.traits().configurationSection()));
}

inline QDialog *openRecordDialog(TComponentForm &page, const char *item, const char *dialog)
{
    page.menuItem(QString::fromLatin1(item))->trigger();
    auto *d = page.findChild<QDialog *>(QString::fromLatin1(dialog));
    if (d && !QTest::qWaitForWindowExposed(d))
        return nullptr;
    return d;
}

// A bus of several devices at two rates, and the scan dialog over it.
struct ScanRig {
    std::unique_ptr<sim::Server> server;
    PtyPortOwner owner;
    std::unique_ptr<TScanDialog> dialog;

    bool start(const QString &bus = QStringLiteral(
                   "T4yJ@5,CWR1@17,E-HN2@31:9600,ZSL@8,E-7PZ@22:9600,GWR1@40"))
    {
        std::vector<sim::BusMember> members;
        QString error;
        if (!sim::parseBus(bus, &members, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        server = std::make_unique<sim::Server>(std::move(members));
        server->setTickInterval(0);
        if (!server->start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        owner.setPath(server->path());
        dialog = std::make_unique<TScanDialog>(owner, *owner.portSettings(), 19200);
        return true;
    }
    void choose(const QList<quint32> &rates, int first, int last)
    {
        for (QCheckBox *box : dialog->rateCheckBoxes)
            box->setChecked(rates.contains(box->text().remove('&').toUInt()));
        dialog->scanFirstSpinBox->setValue(first);
        dialog->scanLastSpinBox->setValue(last);
    }
    // The scan run to its end; false when it found nothing.
    bool scanAll()
    {
        choose({9600, 19200}, 1, 40);
        dialog->scanStartButton->click();
        if (!QTest::qWaitFor([&] { return !dialog->running(); }, 60000))
            return false;
        QCoreApplication::processEvents();
        return dialog->scanResultTable->rowCount() > 0;
    }
    ~ScanRig()
    {
        if (dialog) {
            dialog->stop();
            dialog->waitForEnd();
        }
        dialog.reset();
    }
};
