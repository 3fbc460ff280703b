#include "pages/framework/PageState.h"

#include "link/Messages.h"
#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "platform/Profile.h"
#include "platform/TextError.h"

PageState::PageState(TComponentForm &page) : m_page(page)
{
    m_changed = page.isChanged();
    m_before = page.snapshotControls();
    page.saveToTemp();
    m_unsaved = page.snapshotUnsavedControls();
}

PageState::~PageState()
{
    restore();
}

void PageState::readDevice()
{
    const QuietRanges quiet;
    m_page.readDevice();
    m_page.settleAfterRead(true);
}

void PageState::readBlocks()
{
    const QuietRanges quiet;
    m_page.readBlocks(false);
    m_page.settleAfterRead(true);
}

void PageState::loadFile(const QString &file)
{
    const QString section = m_page.traits().configurationSection();
    if (!Profile(file).sectionExists(section))
        throw TextError(QStringLiteral("Neplatný ini soubor"));
    // As "Načíst konfiguraci": the newer pages take their defaults for keys the file lacks.
    if (m_page.traits().isNewer())
        m_page.resetToDefaults();
    m_page.loadControls(file, section);
}

void PageState::restore()
{
    if (m_restored)
        return;
    m_restored = true;
    {
        const QuietRanges quiet;
        m_page.restoreFromTemp();
        m_page.restoreControlValues(m_unsaved);
        m_page.settleAfterRead(false);
        // Values whose limits follow another control (an input range of a type) may have
        // been clamped on the way: every control gets its own value once more.
        if (m_page.snapshotControls() != m_before)
            m_page.restoreControlValues(m_before);
    }
    m_page.deleteTemp();
    m_page.markChanged(m_changed);
}

bool PageState::restoredExactly() const
{
    return m_restored && m_page.snapshotControls() == m_before;
}

int PageState::readDeviceAction(TComponentForm &page, const std::function<void()> &use)
{
    return page.deviceAction(
        [&page, &use] {
            PageState state(page);
            state.readDevice();
            use();
            state.restore();
            if (!state.restoredExactly())
                exchange::fail(ErrInternal);
        },
        message(14), message(15))
        .error;
}
