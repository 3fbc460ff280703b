#pragma once

#include "link/TTransmit.h"
#include "shell/Shell.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <exception>
#include <memory>

class PageRegistry;
class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class StatusPanels;
class TAboutBox;
class TScanDialog;
struct BusScanHit;
class TTrafficMonitor;

// The main window: introduction panel, program settings ("mFormSave.ini"), the serial
// settings and the device selection. It owns the program's one serial port field and opens
// the device pages.
class TmForm : public QMainWindow, public Shell
{
    Q_OBJECT
public:
    explicit TmForm(PageRegistry &registry, QWidget *parent = nullptr);
    explicit TmForm(QWidget *parent = nullptr);
    ~TmForm() override;

    // The progress dialog and the About box are created after the main window.
    void setSystemDialog(TSystemDialog *dialog);
    void setAboutBox(TAboutBox *aboutBox);

    // Start-up: settings, port test and, if chosen, detection of the attached device.
    void FormCreate();

    // PortOwner. The settings come from the serial lists: user-interface thread only.
    void openPort() override;
    void closePort() override;
    std::optional<PortSettings> portSettings() const override;
    void deviceWritten(qint32 start, const std::vector<qint16> &values) override;
    void actionStarts() override;
    void actionEnds() override;
    QString takeErrorNote() override;

    // Shell
    bool loadDataAfterStart() const override;
    int componentType() const override;
    void pageClosed() override;
    void openSerialSettings() override;
    void openComponentChoice() override;
    void showAbout() override;
    QWidget *currentPage() const override;
    TSystemDialog &systemDialog() override;
    int portNumber() const override;
    void showTrafficMonitor() override;

    void showStatusMessage(const QString &text);
    QString statusPanelText(int panel) const;
    bool hintsShown() const { return m_showHints; }

    // Menu handlers. mmSaveClick returns whether the settings were written.
    void mmLoadClick();
    bool mmSaveClick();
    void mmCloseClick();
    void mmSerialClick();
    void mmChooseComponentClick();
    void mmAboutClick();
    // The check items toggle their check, as a click on them does.
    void mmLoadDataAfterStartClick();
    void mmAutoComponentClick();
    void mmLoadLastClick();
    void mmShowHintClick();

    // Serial view and device selection.
    void serialNameComboBoxChange();
    void serialNameOkButtonClick();
    // The target address or rate changed in the serial view.
    void serialTargetChange();
    // "Najít zařízení na sběrnici" (needs a port).
    void serialScanButtonClick();
    // A device chosen in the scan: its address and rate become the target, its page opens.
    void openScannedDevice(const BusScanHit &hit);
    TScanDialog *scanDialog() const;
    void componentOkButtonClick();
    void automaticComponentChooseButtonClick();
    // Shows the device selection and opens the matching model's page; false (error 10 in
    // `result`) when no model matches.
    bool selectByIdentification(const QString &identification, TransmitResult &result);
    // Both identification reads; throws TextError "chyba OKW" with the number in `result`.
    void detectComponent(TTransmit &transmit, TransmitResult &result);
    static QString identificationName(const QString &identification);

    // The logo of the introduction panel and the About box.
    static QPixmap logoPixmap();
    static QString settingsPath();

    QFrame *introductionPanel = nullptr;
    QLabel *introductionLogo = nullptr;
    QLabel *introductionProductName = nullptr;

    QGroupBox *serialGroupBox = nullptr;
    QComboBox *serialNameComboBox = nullptr;
    QComboBox *serialBaudRateComboBox = nullptr;
    QComboBox *serialDataSizeComboBox = nullptr;
    QComboBox *serialParityComboBox = nullptr;
    QComboBox *serialStopBitComboBox = nullptr;
    QLabel *serialAddressLabel = nullptr;
    // "255 – všechna zařízení (servisní)", then "1" to "254".
    QComboBox *serialAddressComboBox = nullptr;
    QPushButton *serialScanButton = nullptr;
    QPushButton *serialOkButton = nullptr;

    QGroupBox *componentGroupBox = nullptr;
    QLabel *componentLabel = nullptr;
    QListWidget *componentListBox = nullptr;
    QPushButton *automaticComponentChooseButton = nullptr;
    QPushButton *componentOkButton = nullptr;

    StatusPanels *mFormStatusBar = nullptr;
    QTimer *mFormTimer = nullptr;

    QMenu *mmFile = nullptr;
    QAction *mmLoad = nullptr;
    QAction *mmSave = nullptr;
    QAction *mmClose = nullptr;
    QMenu *mmTools = nullptr;
    QAction *mmSerial = nullptr;
    QAction *mmChooseComponent = nullptr;
    QAction *mmLoadDataAfterStart = nullptr;
    QAction *mmAutoComponent = nullptr;
    QAction *mmLoadLast = nullptr;
    QAction *mmShowHint = nullptr;
    QAction *mmTrafficMonitor = nullptr;
    QMenu *mmHelp = nullptr;
    QAction *mmAbout = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildIntroduction(QWidget *central);
    void buildSerialView(QWidget *central);
    void buildComponentView(QWidget *central);
    void FormResize();
    void paintNow();
    // Opens and closes the chosen port once; throws TextError when it does not open.
    void testPort();
    int selectedComponent() const;
    void updatePortHints();
    void setShowHints(bool on);
    bool ownsHint(const QWidget *widget) const;
    void loadLastToggled();
    void showHintToggled();
    void reportCheck(QAction *item, int onMessage, int offMessage);
    void showError(int error);
    void showFailure(const TransmitResult &result, const std::exception &error);
    // A failed detection: a collision at 255 is said as such, else as showFailure.
    void showDetectionFailure(const TTransmit &transmit, const TransmitResult &result,
                              const std::exception &error);
    LineTarget targetFromLists() const;
    void showTargetInLists(const LineTarget &target);

    PageRegistry &m_registry;
    QPointer<QWidget> m_page;
    QPointer<TSystemDialog> m_systemDialog;
    QPointer<TAboutBox> m_aboutBox;
    std::unique_ptr<TTrafficMonitor> m_trafficMonitor;
    QPointer<TScanDialog> m_scanDialog;
    // A write moved the tool: where from, for the status and a failing read-back.
    std::optional<LineTarget> m_movedFrom;
    QString m_errorNote;
    int m_componentType = 0;
    bool m_showHints = true;
};
