#include "pages/framework/Backups.h"

#include "link/Messages.h"
#include "pages/framework/PageState.h"
#include "pages/framework/SettingsView.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

const char *const kBackupProperty = "ovrinBackup";
const char *const kTakenProperty = "ovrinBackupTaken";
const QString kSection = QStringLiteral("backup");

QString fileModel(const QString &model)
{
    QString m = model;
    m.replace(QLatin1Char('/'), QLatin1Char('-'));
    return m;
}

// "<model>-yyyyMMdd-HHmmss[-n].ini": the stamp and the counter sort by age.
QRegularExpression namePattern(const QString &model)
{
    return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(fileModel(model)) +
                              QStringLiteral("-(\\d{8}-\\d{6})(?:-(\\d+))?\\.ini$"));
}

struct Named {
    QString path;
    QString stamp;
    int counter;
};

std::vector<Named> filesOf(const QString &model)
{
    std::vector<Named> out;
    const QRegularExpression pattern = namePattern(model);
    const QDir dir(backupFolder());
    for (const QString &name : dir.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
        const auto m = pattern.match(name);
        if (m.hasMatch())
            out.push_back({dir.absoluteFilePath(name), m.captured(1),
                           m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    std::sort(out.begin(), out.end(), [](const Named &a, const Named &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.counter > b.counter;
    });
    return out;
}

} // namespace

QString backupFolder()
{
    QDir().mkpath(QStringLiteral("backups"));
    return QDir(QStringLiteral("backups")).absolutePath();
}

QString newBackupPath(const QString &model, const QDateTime &when)
{
    const QDir dir(backupFolder());
    const QString stem =
        fileModel(model) + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = dir.absoluteFilePath(stem + QStringLiteral(".ini"));
    for (int n = 2; QFile::exists(path); ++n)
        path = dir.absoluteFilePath(QStringLiteral("%1-%2.ini").arg(stem).arg(n));
    return path;
}

void keepNewestBackups(const QString &model, int keep)
{
    const std::vector<Named> files = filesOf(model);
    for (size_t i = static_cast<size_t>(std::max(keep, 0)); i < files.size(); ++i)
        QFile::remove(files[i].path);
}

std::vector<BackupEntry> backupsOf(const QString &model)
{
    std::vector<BackupEntry> out;
    for (const Named &f : filesOf(model)) {
        const Profile p(f.path);
        BackupEntry e;
        e.path = f.path;
        e.when = QDateTime::fromString(p.readString(kSection, QStringLiteral("Time"), QString()),
                                       Qt::ISODate);
        if (!e.when.isValid())
            e.when = QDateTime::fromString(f.stamp, QStringLiteral("yyyyMMdd-HHmmss"));
        e.identification = p.readString(kSection, QStringLiteral("Identification"), QString());
        e.firmware = p.readString(kSection, QStringLiteral("Firmware"), QString());
        e.customerText = p.readString(kSection, QStringLiteral("CustomerText"), QString());
        out.push_back(e);
    }
    return out;
}

QString backupRefusal(const QString &file)
{
    return QStringLiteral("Zálohu nastavení zařízení nelze uložit do souboru %1. Do zařízení "
                          "nebylo nic zapsáno.")
        .arg(QDir::toNativeSeparators(file));
}

bool writeBackup(TComponentForm &page, const QString &file, const QDateTime &when,
                 const QString &identification)
{
    if (!page.saveControls(file, page.traits().configurationSection()))
        return false;
    Profile p(file);
    p.beginBatch();
    p.writeString(kSection, QStringLiteral("Model"), page.traits().caption);
    p.writeString(kSection, QStringLiteral("Identification"), 
                  (identification.isEmpty() ? page.deviceIdentification() : identification)
                      .trimmed());
    p.writeString(kSection, QStringLiteral("Firmware"), page.deviceFirmware());
    p.writeString(kSection, QStringLiteral("CustomerText"), customerTextOf(page));
    p.writeString(kSection, QStringLiteral("Time"), when.toString(Qt::ISODate));
    return p.endBatch();
}

void backupTakenBeforeWrite(TComponentForm &page, const QString &file)
{
    page.setProperty(kTakenProperty, file);
}

QString lastBackupOf(const TComponentForm &page)
{
    return page.property(kBackupProperty).toString();
}

PageBackup::PageBackup(TComponentForm &page) : m_page(page) {}

PageBackup::~PageBackup()
{
    if (!m_done && !m_adopted && !m_path.isEmpty())
        QFile::remove(m_path);
}

bool PageBackup::prepare()
{
    const QString taken = m_page.property(kTakenProperty).toString();
    m_page.setProperty(kTakenProperty, QVariant());
    if (!taken.isEmpty() && QFile::exists(taken)) {
        m_path = taken;
        m_adopted = true;
        return true;
    }
    m_path = newBackupPath(m_page.traits().caption);
    QFile probe(m_path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_refusal = backupRefusal(m_path);
        Prompts::instance().message(m_refusal, QStringLiteral("Chyba"), PromptIcon::Error);
        m_path.clear();
        return false;
    }
    return true;
}

bool PageBackup::take(const QString &identification)
{
    const bool read = !m_adopted;
    if (read) {
        const QDateTime when = QDateTime::currentDateTime();
        PageState state(m_page);
        state.readBlocks();
        const bool saved = writeBackup(m_page, m_path, when, identification);
        state.restore();
        if (!saved) {
            m_refusal = backupRefusal(m_path);
            throw PageError(ErrBackupRefused, m_refusal);
        }
        // What goes to the device is what the form showed before the backup.
        if (!state.restoredExactly())
            exchange::fail(ErrInternal);
        keepNewestBackups(m_page.traits().caption);
    }
    m_done = true;
    m_page.setProperty(kBackupProperty, m_path);
    return read;
}
