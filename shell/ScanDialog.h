#pragma once

#include "link/PortOwner.h"
#include "shell/BusScan.h"

#include <QDialog>
#include <QThread>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "Najít zařízení na sběrnici": chosen rates and addresses, the wait for a reply, a progress
// bar with the address being tried, and the devices that answered. The scan runs on a
// thread of its own with a copy of the port settings; "Zastavit" or closing ends it between
// two addresses. A double click on a device hands it to the main window (deviceChosen).
class TScanDialog : public QDialog
{
    Q_OBJECT
public:
    // `settings`: the port as the main window opens it, taken on the user-interface thread.
    TScanDialog(PortOwner &owner, const PortSettings &settings, quint32 currentRate,
                QWidget *parent = nullptr);
    ~TScanDialog() override;

    void start();
    void stop();
    bool running() const;
    // Blocks until a running scan has ended (tests).
    void waitForEnd();
    const std::vector<BusScanHit> &hits() const { return m_hits; }
    BusScanOptions options() const;

    QCheckBox *rateCheckBoxes[5] = {};
    QSpinBox *scanFirstSpinBox = nullptr;
    QSpinBox *scanLastSpinBox = nullptr;
    QSpinBox *scanTimeoutSpinBox = nullptr;
    QPushButton *scanStartButton = nullptr;
    QPushButton *scanCloseButton = nullptr;
    QProgressBar *scanProgressBar = nullptr;
    QLabel *scanStateLabel = nullptr;
    QTableWidget *scanResultTable = nullptr;

signals:
    void deviceChosen(const BusScanHit &hit);
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void progress(int address, quint32 rate, int done, int total);
    void found(const BusScanHit &hit);
    void ended(const BusScanResult &result);
    void rowActivated(int row);
    // The scan thread's news reach the dialog through our own locked queue and a queued call
    // by name: a functor posted through Qt would rest on Qt's locks, which a race detector
    // cannot see.
    void post(std::function<void()> news);
    Q_INVOKABLE void serveQueued();

    PortOwner &m_owner;
    PortSettings m_settings;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::vector<BusScanHit> m_hits;
    std::mutex m_queueMutex;
    std::vector<std::function<void()>> m_queued; // under m_queueMutex
};

Q_DECLARE_METATYPE(BusScanHit)
Q_DECLARE_METATYPE(BusScanResult)
