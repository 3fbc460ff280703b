// The page's files (PageFiles.h): temp.ini, configuration files and window positions.

#include "pages/framework/PageFiles.h"

#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "platform/TextError.h"

#include <QAction>
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

QString PageFiles::keyOf(const QWidget *control) const
{
    const QString name = control->objectName();
    if (!m_page.traits().isNewer() || name.isEmpty())
        return name;
    return QStringLiteral("c") + m_page.traits().pageNumber() + name.left(1).toUpper() +
           name.mid(1);
}

bool PageFiles::saveControls(const QString &file, const QString &section)
{
    Profile profile(file);
    return m_page.controlTable().save(
        profile, section, [this](const QWidget *c) { return keyOf(c); }, m_page.hintsOn());
}

void PageFiles::loadControls(const QString &file, const QString &section)
{
    const Profile profile(file);
    // Another page's file is refused before anything happens: no control changes, so the
    // page has nothing to settle (its settle step would mark the page changed).
    if (!profile.sectionExists(section))
        throw TextError(QStringLiteral("Neplatný ini soubor"));
    bool showHint = true;
    m_page.controlsLoading();
    try {
        m_page.controlTable().load(
            profile, section, [this](const QWidget *c) { return keyOf(c); }, showHint);
    } catch (...) {
        // The controls are as they were; the page settles them as after any load.
        m_page.controlsLoaded();
        throw;
    }
    m_page.m_chrome->setHintsOn(showHint);
    m_page.controlsLoaded();
}

void PageFiles::saveToTemp()
{
    // A copy in memory as well: a working directory that cannot be written must not cost
    // the page its settings when the read then fails.
    m_tempCopy.clear();
    // In load order, as loadControls would apply them.
    for (const componentStruct *e : m_page.controlTable().loadOrder()) {
        if (auto *edit = qobject_cast<QLineEdit *>(e->control))
            m_tempCopy.emplace_back(e->control, edit->text());
        else
            m_tempCopy.emplace_back(e->control, ControlTable::integerValue(e->control));
    }
    m_tempCopyHints = m_page.hintsOn();
    m_hasTempCopy = true;
    saveControls(workingFile(QStringLiteral("temp.ini")), QStringLiteral("temporary"));
}

void PageFiles::restoreFromTemp()
{
    try {
        loadControls(workingFile(QStringLiteral("temp.ini")), QStringLiteral("temporary"));
    } catch (const std::exception &) {
        if (m_hasTempCopy) {
            m_page.controlsLoading();
            restoreControlValues(m_tempCopy);
            m_page.m_chrome->setHintsOn(m_tempCopyHints);
            m_page.controlsLoaded();
        }
    }
}

ControlValues PageFiles::snapshotUnsavedControls() const
{
    // Controls a read can change that temp.ini does not hold (a list shown but not saved,
    // such as the sensor type): kept in memory so a failed read leaves the page as it was.
    ControlValues values;
    for (QWidget *w : m_page.findChildren<QWidget *>()) {
        if (m_page.controlTable().contains(w) || w->window() != &m_page)
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

ControlValues PageFiles::snapshotControls() const
{
    ControlValues values;
    for (const componentStruct &e : m_page.controlTable().entries()) {
        if (auto *edit = qobject_cast<QLineEdit *>(e.control))
            values.emplace_back(e.control, edit->text());
        else
            values.emplace_back(e.control, ControlTable::integerValue(e.control));
    }
    for (auto &v : snapshotUnsavedControls())
        values.push_back(std::move(v));
    return values;
}

void PageFiles::restoreControlValues(const ControlValues &values)
{
    for (const auto &[w, v] : values) {
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(v.toString());
        else
            ControlTable::setIntegerValue(w, v.toInt());
    }
}

void PageFiles::deleteTemp()
{
    Profile::deleteFile(workingFile(QStringLiteral("temp.ini")));
    m_tempCopy.clear();
    m_hasTempCopy = false;
}

Outcome PageFiles::loadConfigurationClick()
{
    m_page.commitPendingEdit();
    Outcome outcome = Outcome::cancelled();
    if (m_page.invalidInput()) {
        outcome = Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Warning);
    } else {
        const QString file = Prompts::instance().openFileName(QStringLiteral("Načíst konfiguraci"),
                                                              QString::fromUtf8(kFileFilter));
        if (!file.isEmpty())
            outcome = loadConfigurationFile(file);
    }
    m_page.clearInvalidMarks();
    m_page.m_invalidInput = false;
    return outcome;
}

Outcome PageFiles::loadConfigurationFile(const QString &file)
{
    try {
        // A file of another page is refused before anything changes, on the newer pages
        // too: resetting first would lose the page's settings to a wrong pick.
        if (m_page.traits().isNewer()) {
            if (!Profile(file).sectionExists(m_page.traits().configurationSection()))
                throw TextError(QStringLiteral("Neplatný ini soubor"));
            m_page.resetToDefaults();
        }
        loadControls(file, m_page.traits().configurationSection());
        const Outcome outcome = Outcome::done(message(19));
        m_page.showStatusMessage(outcome.message);
        m_page.markChanged(false);
        return outcome;
    } catch (const std::exception &) {
        const Outcome outcome = Outcome::failed(ErrForeignFile, message(ErrForeignFile));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Error);
        return outcome;
    }
}

Outcome PageFiles::saveConfigurationClick()
{
    m_page.commitPendingEdit();
    Outcome outcome = Outcome::cancelled();
    if (m_page.invalidInput() || !m_page.validateSelections()) {
        outcome = Outcome::failed(ErrInvalidInput, message(ErrInvalidInput));
        Prompts::instance().message(outcome.message, QStringLiteral("Chyba"), PromptIcon::Warning);
    } else {
        QString file = Prompts::instance().saveFileName(QStringLiteral("Uložit konfiguraci"),
                                                        QString::fromUtf8(kFileFilter));
        if (!file.isEmpty()) {
            if (QFileInfo(file).suffix().isEmpty())
                file += QStringLiteral(".ini");
            if (saveControls(file, m_page.traits().configurationSection())) {
                outcome = Outcome::done(message(20));
                m_page.showStatusMessage(outcome.message);
                m_page.markChanged(false);
            } else {
                // Not reported as saved: the file on disk is the old one.
                outcome = Outcome::failed(
                    -1, QStringLiteral("Konfiguraci nelze uložit do souboru ") + file);
                Prompts::instance().message(outcome.message, QStringLiteral("Chyba"),
                                            PromptIcon::Error);
            }
        }
    }
    m_page.m_invalidInput = false;
    return outcome;
}

// --- window positions ---

void PageFiles::loadWindowPosition()
{
    QScreen *s = m_page.screen() ? m_page.screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
    const int top = area.height() / 2 - m_page.height() / 2;
    const int left = area.width() / 2 - m_page.width() / 2;
    const Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    const QString section = m_page.traits().windowSection();
    if (positions.sectionExists(section))
        m_page.move(positions.readInteger(section, QStringLiteral("Left"), left),
                    positions.readInteger(section, QStringLiteral("Top"), top));
    else
        m_page.move(left, top);
}

void PageFiles::saveWindowPosition()
{
    Profile positions(workingFile(QStringLiteral("windowPosition.ini")));
    positions.beginBatch();
    positions.writeInteger(m_page.traits().windowSection(), QStringLiteral("Top"), m_page.y());
    positions.writeInteger(m_page.traits().windowSection(), QStringLiteral("Left"), m_page.x());
    positions.endBatch();
}
