#pragma once

#include "link/TTransmit.h"

#include <QDialog>
#include <QPointer>

class QProgressBar;

// "Pracuji, prosím čekejte ...": shown over the open page during long exchanges. The page
// is disabled while it is shown; closing enables it again unless keepPageDisabled is set.
class TSystemDialog : public QDialog, public TransmitProgress
{
    Q_OBJECT
public:
    explicit TSystemDialog(QWidget *parent = nullptr);

    // Disables the open page, centres the dialog over it and shows it (painted at once).
    void showOverPage();
    // Hides the dialog and enables the page again unless keepPageDisabled.
    void closeOverPage();

    bool keepPageDisabled = false;
    QProgressBar *ProgressBar = nullptr;

    // TransmitProgress: every change repaints the bar at once, so the dialog never looks
    // frozen while an exchange blocks the user-interface thread.
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    int position() const override;
    void setBarVisible(bool visible) override;

    // The page the dialog disabled when it was shown, or null.
    QWidget *page() const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool isExposed() const;

    QPointer<QWidget> m_page;
};
