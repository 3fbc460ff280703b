#include "pages/framework/RecordMenu.h"

#include "link/Messages.h"
#include "pages/framework/Backups.h"
#include "pages/framework/Comparison.h"
#include "pages/framework/PageState.h"
#include "pages/framework/Protocol.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "shell/ListWindow.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char kLoadCaption[] = "&Načíst do formuláře";

// A window-modal table over the page with "Načíst do formuláře" and "Zavřít".
QDialog *tableDialog(TComponentForm &page, const char *name, const QString &title,
                     const QString &intro, const QStringList &header,
                     const std::vector<QStringList> &rows, QTableWidget **tableOut)
{
    auto *dialog = new QDialog(&page);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(dialog);
    auto *label = new QLabel(intro, dialog);
    label->setObjectName(QStringLiteral("introLabel"));
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *table = new QTableWidget(static_cast<int>(rows.size()), header.size(), dialog);
    table->setObjectName(QStringLiteral("table"));
    table->setHorizontalHeaderLabels(header);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < rows[r].size() && c < header.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(dialog);
    auto *load = buttons->addButton(QString::fromUtf8(kLoadCaption), QDialogButtonBox::AcceptRole);
    load->setObjectName(QStringLiteral("loadButton"));
    auto *close = buttons->addButton(QStringLiteral("Za&vřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    fitWindowToTable(*dialog, *table, QSize(560, 240));
    *tableOut = table;
    return dialog;
}

void loadIntoForm(TComponentForm &page, const QString &file)
{
    page.commitPendingEdit();
    page.loadConfigurationFile(file);
    page.clearInvalidMarks();
    page.setInvalidInput(false);
}

// The page's exchanges run between the live reader's polls only: with the live window
// open, the page does not start a read of its own.
bool liveWindowOpen(const TComponentForm &page)
{
    return page.liveWindow() != nullptr;
}

} // namespace

void addRecordItems(TComponentForm &page, QMenu &file)
{
    auto item = [&](const char *name, const QString &caption, void (*handler)(TComponentForm &)) {
        QAction *a = file.addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        QObject::connect(a, &QAction::triggered, &page, [&page, handler] {
            if (!page.busy() && !page.testActive())
                handler(page);
        });
    };
    item("mmRestoreBackup", QStringLiteral("Obnovit ze zálohy…"), restoreFromBackupClick);
    item("mmCompareWithDevice", QStringLiteral("Porovnat se zařízením…"), compareWithDeviceClick);
    item("mmProtocol", QStringLiteral("Protokol o nastavení…"), protocolClick);
}

void restoreFromBackupClick(TComponentForm &page)
{
    const std::vector<BackupEntry> entries = backupsOf(page.traits().caption);
    if (entries.empty()) {
        Prompts::instance().message(QStringLiteral("Pro model %1 nejsou uloženy žádné zálohy.")
                                        .arg(page.traits().caption),
                                    QStringLiteral("Obnovit ze zálohy"), PromptIcon::Information);
        return;
    }
    std::vector<QStringList> rows;
    for (const BackupEntry &e : entries)
        rows.push_back({e.when.toString(QStringLiteral("d.M.yyyy")),
                        e.when.toString(QStringLiteral("H:mm:ss")), e.identification,
                        e.customerText});
    QTableWidget *table = nullptr;
    QDialog *dialog = tableDialog(
        page, "restoreDialog", QStringLiteral("Obnovit ze zálohy"),
        QStringLiteral("Zálohy nastavení %1 pořízené před zápisem, nejnovější nahoře. Vybraná "
                       "záloha se načte do formuláře; do zařízení ji zapíšete tlačítkem "
                       "„Uložit data“.")
            .arg(page.traits().caption),
        {QStringLiteral("Datum"), QStringLiteral("Čas"), QStringLiteral("Identifikace"),
         QStringLiteral("Zákaznický text")},
        rows, &table);
    table->selectRow(0);
    QStringList paths;
    for (const BackupEntry &e : entries)
        paths << e.path;
    auto choose = [&page, dialog, table, paths] {
        const int row = table->currentRow();
        if (row < 0 || row >= paths.size())
            return;
        dialog->accept();
        loadIntoForm(page, paths[row]);
    };
    QObject::connect(dialog->findChild<QPushButton *>(QStringLiteral("loadButton")),
                     &QPushButton::clicked, dialog, choose);
    QObject::connect(table, &QTableWidget::cellDoubleClicked, dialog, choose);
    dialog->open();
}

void compareWithDeviceClick(TComponentForm &page)
{
    page.commitPendingEdit();
    const QString file = Prompts::instance().openFileName(
        QStringLiteral("Porovnat se zařízením"), QStringLiteral("Soubory s nastavením (*.ini)"));
    if (file.isEmpty())
        return;
    if (!Profile(file).sectionExists(page.traits().configurationSection())) {
        Prompts::instance().message(message(21), QStringLiteral("Chyba"), PromptIcon::Error);
        return;
    }
    std::vector<Setting> device;
    QString against;
    if (liveWindowOpen(page)) {
        // The live reader holds the line: the form as it stands stands for the device.
        device = settingsOf(page);
        against = QStringLiteral("s formulářem (okno provozních dat je otevřené)");
    } else {
        if (PageState::readDeviceAction(page, [&] { device = settingsOf(page); }) != 0)
            return;
        against = QStringLiteral("se zařízením");
    }
    const std::vector<SettingChange> differences = fileDifferences(page, device, file);
    std::vector<QStringList> rows;
    for (const SettingChange &d : differences)
        rows.push_back(differenceRow(d));
    const QString name = QDir::toNativeSeparators(QFileInfo(file).fileName());
    const QString intro =
        differences.empty()
            ? QStringLiteral("Soubor %1 se %2 shoduje ve všech nastaveních.").arg(name, against)
            : QStringLiteral("Soubor %1 porovnaný %2 – počet odlišných nastavení: %3.")
                  .arg(name, against)
                  .arg(differences.size());
    QTableWidget *table = nullptr;
    QDialog *dialog = tableDialog(page, "compareDialog", QStringLiteral("Porovnat se zařízením"),
                                  intro, differenceHeader(), rows, &table);
    QObject::connect(dialog->findChild<QPushButton *>(QStringLiteral("loadButton")),
                     &QPushButton::clicked, dialog, [&page, dialog, file] {
                         dialog->accept();
                         loadIntoForm(page, file);
                     });
    dialog->open();
}

void protocolClick(TComponentForm &page)
{
    page.commitPendingEdit();
    QDateTime at;
    bool written = false;
    std::vector<Setting> settings;
    ProtocolFacts facts;
    if (page.confirmedByDevice(&at, &written)) {
        settings = settingsOf(page);
        facts = protocolFacts(page, at, written);
    } else if (liveWindowOpen(page)) {
        Prompts::instance().message(
            QStringLiteral("Formulář se liší od nastavení zařízení. Načtěte data ze zařízení "
                           "nebo je uložte do zařízení a protokol vytvořte potom."),
            QStringLiteral("Protokol o nastavení"), PromptIcon::Warning);
        return;
    } else {
        // The document shows the device, not unsent edits of the form.
        const int error = PageState::readDeviceAction(page, [&] {
            settings = settingsOf(page);
            facts = protocolFacts(page, QDateTime::currentDateTime(), false);
        });
        if (error != 0)
            return;
    }
    QString file = Prompts::instance().saveFileName(QStringLiteral("Protokol o nastavení"),
                                                    QStringLiteral("Dokumenty PDF (*.pdf)"));
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pdf");
    QString error;
    if (writeProtocol(file, facts, settings, &error))
        page.showStatusMessage(QStringLiteral("Protokol uložen"));
    else
        Prompts::instance().message(error, QStringLiteral("Chyba"), PromptIcon::Error);
}
