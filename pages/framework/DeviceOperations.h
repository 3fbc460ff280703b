#pragma once

// DeviceOperations: what a page does on its device, and the state of it. It holds the
// Outcome of the device action that runs (writeRegisters and the verification record into
// it), the progress dialog's bar, the backup of the write that runs (no backup, no frame),
// and when the form last matched the device. The page keeps the documented names (readAll,
// writeAll, deviceAction, readRegisters, ...) as forwards to it; the default bodies of the
// page's readDevice, readBlocks and writeDevice live here and go through BlockTransfer.
//
// Runs on the user-interface thread; every call may run an exchange and throw PageError,
// except the actions, which catch it and return their Outcome.

#include "pages/framework/Outcome.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class PageBackup;
class QLineEdit;
class QWidget;
class TComponentForm;
class TransmitProgress;

class DeviceOperations
{
public:
    explicit DeviceOperations(TComponentForm &page);
    ~DeviceOperations();
    DeviceOperations(const DeviceOperations &) = delete;
    DeviceOperations &operator=(const DeviceOperations &) = delete;

    // The bodies of the page's readAll and writeAll.
    Outcome readAll();
    Outcome writeAll();
    // One user action on the device (the page's deviceAction).
    Outcome action(const std::function<void()> &body, const QString &successStatus,
                   const QString &failureStatus,
                   const std::function<void(int error)> &beforeClose = {});
    Outcome writeCoil(int address, bool on, int slave);
    Outcome writeRegister(int address, quint16 value, int slave);

    // The default bodies of the page's virtual readDevice, readBlocks and writeDevice.
    void readDevice();
    void readBlocks(bool firmwareAfterFirst);
    void writeDevice();
    bool identifyForWrite();

    QString checkIdentification();
    void readAndShowFirmware();
    std::vector<quint16> readRegisters(int start, int count, bool withBar = true);
    void writeRegisters(int start, const std::vector<quint16> &values, bool withBar = true);
    void runCommand(int address, quint16 value);
    void writeTextRegisters(const QLineEdit &edit, int count);
    void readTextRegisters(QLineEdit &edit, int count);
    void waitProcessingEvents(int ms);
    TransmitProgress *progress();

    bool confirmedByDevice(QDateTime *at, bool *written) const;

private:
    // The form as the device holds it: remembered after a read or a verified write.
    void confirm(bool written);

    TComponentForm &m_page;
    std::unique_ptr<TransmitProgress> m_progress;
    Outcome *m_outcome = nullptr;   // of the device action that runs
    PageBackup *m_backup = nullptr; // of the write that runs
    QDateTime m_confirmedAt;
    bool m_confirmedByWrite = false;
    std::vector<std::pair<QWidget *, QVariant>> m_confirmedControls;
};
