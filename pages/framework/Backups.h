#pragma once

// Backups of what a device held before a write: a configuration file of the page's own
// format under backups/<model>-<date>-<time>.ini in the working directory, with a section
// "backup" that says whose it is (identification, firmware, customer text, time). The
// newest 200 per model are kept. The window's writes and ovrin-cli share them.
//
//   PageBackup backup(page);
//   if (!backup.prepare())       // the file cannot be made: nothing goes on the line
//       return;
//   ... inside the write's device action, right after the write's identification check:
//   backup.take(identification); // one read of the page's blocks, the form left as it was
//
//   for (const BackupEntry &e : backupsOf(page.traits().caption)) ...   // newest first

#include <QDateTime>
#include <QString>
#include <vector>

class TComponentForm;

constexpr int kBackupsKept = 200;
// The outcome's error of a write stopped because its backup could not be kept.
constexpr int ErrBackupRefused = -1;

// The folder, made when missing.
QString backupFolder();
// A new file name for the model ("E-HB5/HN9" -> "E-HB5-HN9"); -2, -3 ... within one second.
QString newBackupPath(const QString &model, const QDateTime &when = QDateTime::currentDateTime());
// Removes all but the newest `keep` backups of the model.
void keepNewestBackups(const QString &model, int keep = kBackupsKept);

struct BackupEntry {
    QString path;
    QDateTime when;
    QString identification;
    QString firmware;
    QString customerText;
};
// The model's backups, newest first.
std::vector<BackupEntry> backupsOf(const QString &model);

// The message of a backup that cannot be written (the write stops before any frame).
QString backupRefusal(const QString &file);

// Writes the page's controls and the "backup" section into the file; false when it failed.
// The identification is the page's shown one unless given.
bool writeBackup(TComponentForm &page, const QString &file, const QDateTime &when,
                 const QString &identification = QString());

// The backup of the page's next write was taken already (the caller read the device into
// the page just before and saved it there): the write does not read again.
void backupTakenBeforeWrite(TComponentForm &page, const QString &file);
// The backup of the page's last write (empty when none).
QString lastBackupOf(const TComponentForm &page);

class PageBackup
{
public:
    explicit PageBackup(TComponentForm &page);
    ~PageBackup(); // an unfinished file goes
    PageBackup(const PageBackup &) = delete;
    PageBackup &operator=(const PageBackup &) = delete;

    // Makes the backup's file; false (with the message shown) when it cannot be written.
    bool prepare();
    // Reads the page's blocks into the backup (the caller has identified the device); the
    // form stays as it was. True when the blocks were read (false: the backup was taken
    // before). Throws PageError; a file that cannot be saved fails with refusal() as its text.
    bool take(const QString &identification);
    bool taken() const { return m_done; }
    const QString &path() const { return m_path; }
    // The message prepare() showed when it failed.
    const QString &refusal() const { return m_refusal; }

private:
    TComponentForm &m_page;
    QString m_path;
    QString m_refusal;
    bool m_done = false;
    bool m_adopted = false;
};
