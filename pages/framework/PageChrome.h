#pragma once

// The page's window around its form: the menus, the status bar (name, change marker,
// messages that clear after 2 s, firmware), floating hints that follow "Zobrazovat plovoucí
// nápovědu", and minimising (the live window hides and comes back with the page). Holds the
// panels, the menu items the page checks and the minimised state.

#include <QString>

class QAction;
class QEvent;
class QLabel;
class QObject;
class QTimer;
class QWidget;
class TComponentForm;

class PageChrome
{
public:
    // Builds the menu bar and the status bar of the page.
    explicit PageChrome(TComponentForm &page);
    PageChrome(const PageChrome &) = delete;
    PageChrome &operator=(const PageChrome &) = delete;

    void markChanged(bool changed);
    bool isChanged() const;
    void showDeviceName(const QString &identification);
    void showFirmware(const QString &text);
    void showStatusMessage(const QString &text);
    QString panelText(int panel) const;

    bool hintsOn() const;
    void setHintsOn(bool on);
    bool minimised() const { return m_minimised; }
    QAction *showHintItem() const { return m_mmShowHint; }
    // Null on pages without a live window.
    QAction *loadExtraItem() const { return m_mmLoadExtra; }
    QAction *openAfterStartItem() const { return m_mmOpenAfterStart; }

    // The page's changeEvent: minimising takes the live window along.
    void changeEvent(QEvent *event);
    // The page's application-wide filter: menu shortcuts before the fields' keys, Alt with a
    // character never typed, the hints of the page's windows. True when taken.
    bool eventFilter(QObject *watched, QEvent *event);

private:
    void buildMenus();
    void buildStatusBar();
    // The page itself, its test window or a window it owns (the live window).
    bool isPageWindow(const QWidget *window) const;

    TComponentForm &m_page;
    bool m_minimised = false;
    QLabel *m_panels[4] = {};
    QTimer *m_statusTimer = nullptr;
    QAction *m_mmShowHint = nullptr;
    QAction *m_mmLoadExtra = nullptr;
    QAction *m_mmOpenAfterStart = nullptr;
};
