#pragma once

#include "link/PortOwner.h"

class QWidget;
class TSystemDialog;

// What a device page needs from the main window. TmForm implements it all; stand-ins (tests,
// the command-line tool, benchmarks, fuzz targets) need only the port and the dialog.
class Shell : public PortOwner
{
public:
    // Check of "Načíst data po spuštění komponenty": read the device right after opening.
    virtual bool loadDataAfterStart() const { return false; }
    // Variant number for the KQx family page.
    virtual int componentType() const { return 0; }
    // A page closed: show the main window again.
    virtual void pageClosed() {}
    // A page hands control back to the serial settings or to the device selection.
    virtual void openSerialSettings() {}
    virtual void openComponentChoice() {}
    virtual void showAbout() {}
    // The page currently open (the one the progress dialog disables), or null.
    virtual QWidget *currentPage() const { return nullptr; }
    virtual TSystemDialog &systemDialog() = 0;
    // The COM number of the chosen port (0: none).
    virtual int portNumber() const { return 0; }
    // "Monitor komunikace": the traffic on the line, from the main window or any page.
    virtual void showTrafficMonitor() {}

    // The progress dialog starts and ends a page's action over the page.
    virtual void actionStarts() {}
    virtual void actionEnds() {}
    // What the error of the running action should add: after a write moved the tool to a
    // new address or rate, both addresses. Empty otherwise; taking it clears it.
    virtual QString takeErrorNote() { return QString(); }

    // The message box of an error number, caption "Chyba": error 7 (the port will not open)
    // comes with what was found about the port in the box's details.
    static QString reportError(int error);

    static Shell &instance();
    static bool isInstalled();
    // Installs `shell` (not owned).
    static void install(Shell *shell);
};
