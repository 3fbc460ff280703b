#pragma once

// The main window as the pages see it, for the suites above the shell (header only: the
// support library itself stays below the shell). The port opens the simulator's pty at
// `path`; the counters record what the page asked of the main window.

#include "link/TSerial.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QString>
#include <QWidget>

class TestShell : public Shell
{
public:
    TestShell() { install(this); }
    ~TestShell() override
    {
        closePort();
        install(nullptr);
    }
    void openPort() override
    {
        ++opens;
        serial = new TSerial(1, path);
        serial->setBaudRate(target().baudRate);
        serial->setParity(0);
        serial->setByteSize(8);
        serial->setStopBits(0);
    }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }
    bool loadDataAfterStart() const override { return loadAfterStart; }
    int componentType() const override { return variant; }
    void pageClosed() override { ++closedPages; }
    void openSerialSettings() override { ++serialSettings; }
    void openComponentChoice() override { ++componentChoices; }
    void showAbout() override { ++abouts; }
    QWidget *currentPage() const override { return page; }
    TSystemDialog &systemDialog() override { return dialog; }

    QString path;
    bool loadAfterStart = false;
    int variant = 0; // the variant number the main window gives the KQx family page
    int opens = 0, closedPages = 0, serialSettings = 0, componentChoices = 0, abouts = 0;
    QWidget *page = nullptr;
    TSystemDialog dialog;
};
