#pragma once

// Alt+letter in a window with a menu bar. When a button of the window and a menu of its bar
// share a letter, Qt finds the shortcut ambiguous and does neither. Here the button wins;
// the menu keeps its letter in the menu bar's own keys: F10 (or Alt alone) selects the bar,
// then the letter opens the menu.

#include <QKeySequence>
#include <QObject>

class QAbstractButton;
class QMainWindow;
class QWidget;

class MnemonicPriority : public QObject
{
public:
    // Watches the keys of `window` (and lives as long as it).
    explicit MnemonicPriority(QMainWindow &window);

    // The one visible, enabled button of `window` whose caption underlines the letter of
    // `key` (Alt+letter); null when none or more than one does.
    static QAbstractButton *buttonFor(const QWidget &window, const QKeySequence &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool menuHas(const QKeySequence &key) const;

    QMainWindow &m_window;
    QKeySequence m_swallow; // the key press of a letter the button took
};
