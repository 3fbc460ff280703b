// The page's files: the temp.ini snapshot, configuration files and window positions.

#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "platform/TextError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRect>
#include <QScreen>
#include <QScrollBar>

namespace {

const char kFileFilter[] = "Soubory s nastavením (*.ini)";

} // namespace

// --- temp.ini and configuration files ---

QString TComponentForm::keyOf(const QWidget *control) const
{
    const QString name = control->objectName();
    if (!m_traits.isNewer() || name.isEmpty())
        return name;
    return QStringLiteral("c") + m_traits.pageNumber() + name.left(1).toUpper() + name.mid(1);
}

bool TComponentForm::saveControls(const QString &file, const QString &section)
{
    Profile profile(file);
    return m_table.save(
        profile, section, [this](const QWidget *c) { return keyOf(c); }, hintsOn());
}

void TComponentForm::loadControls(const QString &file, const QString &section)
{
    const Profile profile(file);
    // Another page's file is refused before anything happens: no control changes, so the
    // page has nothing to settle (its settle step would mark the page changed).
    if (!profile.sectionExists(section))
        throw TextError(QStringLiteral("Neplatný ini soubor"));
    bool showHint = true;
    controlsLoading();
    try {
        m_table.load(
            profile, section, [this](const QWidget *c) { return keyOf(c); }, showHint);
    } catch (...) {
        // The controls are as they were; the page settles them as after any load.
        controlsLoaded();
        throw;
    }
    m_mmShowHint->setChecked(showHint);
    controlsLoaded();
}

void TComponentForm::saveToTemp()
{
    // A copy in memory as well: a working directory that cannot be written must not cost
    // the page its settings when the read then fails.
    m_tempCopy.clear();
    // In load order, as loadControls would apply them.
    for (const componentStruct *e : m_table.loadOrder()) {
        if (auto *edit = qobject_cast<QLineEdit *>(e->control))
            m_tempCopy.emplace_back(e->control, edit->text());
        else
            m_tempCopy.emplace_back(e->control, ControlTable::integerValue(e->control));
    }
    m_tempCopyHints = hintsOn();
    m_hasTempCopy = true;
    m_temporary = true;
    saveControls(workingFile(QStringLiteral("temp.ini")), QStringLiteral("temporary"));
    m_temporary = false;
}

void TComponentForm::restoreFromTemp()
{
    m_temporary = true;
    try {
        loadControls(workingFile(QStringLiteral("temp.ini")), QStringLiteral("temporary"));
    } catch (const std::exception &) {
        if (m_hasTempCopy) {
            controlsLoading();
            restoreControlValues(m_tempCopy);
            m_mmShowHint->setChecked(m_tempCopyHints);
            controlsLoaded();
        }
    }
    m_temporary = false;
}

std::vector<std::pair<QWidget *, QVariant>> TComponentForm::snapshotUnsavedControls() const
{
    // Controls a read can change that temp.ini does not hold (a list shown but not saved,
    // such as the sensor type): kept in memory so a failed read leaves the page as it was.
    std::vector<std::pair<QWidget *, QVariant>> values;
    for (QWidget *w : findChildren<QWidget *>()) {
        if (m_table.contains(w) || w->window() != this)
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            if (!edit->objectName().endsWith(QStringLiteral("MaskEdit")) &&
                !qobject_cast<QComboBox *>(edit->parentWidget()))
                values.emplace_back(w, edit->text());
        } else if (qobject_cast<QScrollBar *>(w) || qobject_cast<QComboBox *>(w) ||
                   qobject_cast<QCheckBox *>(w) || qobject_cast<TRadioGroup *>(w)) {
            if (!w->objectName().isEmpty())
                values.emplace_back(w, ControlTable::integerValue(w));
        }
    }
    return values;
}

std::vector<std::pair<QWidget *, QVariant>> TComponentForm::snapshotControls() const
{
    std::vector<std::pair<QWidget *, QVariant>> values;
    for (const componentStruct &e : m_table.entries()) {
        if (auto *edit = qobject_cast<QLineEdit *>(e.control))
            values.emplace_back(e.control, edit->text());
        else
            values.emplace_back(e.control, ControlTable::integerValue(e.control));
    }
    for (auto &v : snapshotUnsavedControls())
        values.push_back(std::move(v));
    return values;
}

void TComponentForm::restoreControlValues(const std::vector<std::pair<QWidget *, QVariant>> &values)
{
    for (const auto &[w, v] : values) {
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(v.toString());
        else
            ControlTable::setIntegerValue(w, v.toInt());
    }
}

void TComponentForm::deleteTemp()
{
    Profile::deleteFile(workingFile(QStringLiteral("temp.ini")));
    m_tempCopy.clear();
    m_hasTempCopy = false;
}

void TComponentForm::resetToDefaults()
{
    m_table.resetToDefaults();
}

Outcome TComponentForm::mmLoadConfigurationClick()
{
    commitPendingEdit();
    Outcome outcome = Outcome::cancelled();
    if (m_invalidInput) {
        outcome = Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Warning);
    } else {
        const QString file = Prompts::instance().openFileName(QStringLiteral("Načíst konfiguraci"),
                                                              QString::fromUtf8(kFileFilter));
        if (!file.isEmpty())
            outcome = loadConfigurationFile(file);
    }
    clearInvalidMarks();
    m_invalidInput = false;
    return outcome;
}

Outcome TComponentForm::loadConfigurationFile(const QString &file)
{
    m_configFile = file;
    try {
        // A file of another page is refused before anything changes, on the newer pages
        // too: resetting first would lose the page's settings to a wrong pick.
        if (m_traits.isNewer()) {
            if (!Profile(file).sectionExists(m_traits.configurationSection()))
                throw TextError(QStringLiteral("Neplatný ini soubor"));
            resetToDefaults();
        }
        loadControls(file, m_traits.configurationSection());
        const Outcome outcome = Outcome::done(message(19));
        showStatusMessage(outcome.message);
        markChanged(false);
        return outcome;
    } catch (const std::exception &) {
        const Outcome outcome = Outcome::failed(ErrForeignFile, message(ErrForeignFile));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Error);
        return outcome;
    }
}

Outcome TComponentForm::mmSaveConfigureClick()
{
    commitPendingEdit();
    Outcome outcome = Outcome::cancelled();
    if (m_invalidInput || !validateSelections()) {
        outcome = Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Warning);
    } else {
        QString file = Prompts::instance().saveFileName(QStringLiteral("Uložit konfiguraci"),
                                                        QString::fromUtf8(kFileFilter));
        if (!file.isEmpty()) {
            if (QFileInfo(file).suffix().isEmpty())
                file += QStringLiteral(".ini");
            m_configFile = file;
            if (saveControls(file, m_traits.configurationSection())) {
                outcome = Outcome::done(message(20));
                showStatusMessage(outcome.message);
                markChanged(false);
            } else {
                // Not reported as saved: the file on disk is the old one.
                outcome = Outcome::failed(
                    -1, QStringLiteral("Konfiguraci nelze uložit do souboru ") + file);
                Prompts::instance().message(outcome.message, QStringLiteral("Chyba"),
                                            PromptIcon::Error);
            }
        }
    }
    m_invalidInput = false;
    return outcome;
}

// --- window positions ---

void TComponentForm::loadWindowPosition()
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
    const int top = area.height() / 2 - height() / 2;
    const int left = area.width() / 2 - width() / 2;
    const Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    const QString section = m_traits.windowSection();
    if (positions.sectionExists(section))
        move(positions.readInteger(section, QStringLiteral("Left"), left),
             positions.readInteger(section, QStringLiteral("Top"), top));
    else
        move(left, top);
}

void TComponentForm::saveWindowPosition()
{
    Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    positions.beginBatch();
    positions.writeInteger(m_traits.windowSection(), QStringLiteral("Top"), y());
    positions.writeInteger(m_traits.windowSection(), QStringLiteral("Left"), x());
    positions.endBatch();
}
