#pragma once

// The page's controls as they are now, put back when the state ends: whatever ran in between
// (a read of the device, a configuration file loaded) leaves the form as the user had it.
// Backups, the comparison with a file and the protocol read through the page's own controls
// this way, so every conversion and range rule of the page holds, without touching the form.
//
//   PageState state(page);
//   state.readDevice();                       // the page's own read, into its controls
//   const auto device = settingsOf(page);
//   state.restore();                          // as before, marker included
//
// Runs on the user-interface thread inside one device action of the page.

#include <QString>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

class QWidget;
class TComponentForm;

class PageState
{
public:
    explicit PageState(TComponentForm &page);
    ~PageState();
    PageState(const PageState &) = delete;
    PageState &operator=(const PageState &) = delete;

    // The page's read of its blocks into the controls (identification and firmware shown);
    // range warnings quiet. Throws PageError.
    void readDevice();
    // As readDevice, the blocks only: the caller has identified the device.
    void readBlocks();
    // The file into the controls as "Načíst konfiguraci" puts it there. Throws TextError
    // when the file has no section of the page.
    void loadFile(const QString &file);
    // The controls as they were; idempotent.
    void restore();
    // After restore: every control holds the value it held before.
    bool restoredExactly() const;

    // One device action of the page (progress dialog; a failure shown as a read's): the
    // device read into the controls, `use` run on them, the form put back. The error number.
    static int readDeviceAction(TComponentForm &page, const std::function<void()> &use);

private:
    TComponentForm &m_page;
    std::vector<std::pair<QWidget *, QVariant>> m_before;
    std::vector<std::pair<QWidget *, QVariant>> m_unsaved;
    bool m_changed = false;
    bool m_restored = false;
};
