#include "shell/Mnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>

MnemonicPriority::MnemonicPriority(QMainWindow &window) : QObject(&window), m_window(window)
{
    // The key goes to the focused widget first: watch them all, keep this window's.
    qApp->installEventFilter(this);
}

QAbstractButton *MnemonicPriority::buttonFor(const QWidget &window, const QKeySequence &key)
{
    QAbstractButton *found = nullptr;
    for (QAbstractButton *b : window.findChildren<QAbstractButton *>()) {
        if (b->window() != &window || !b->isVisible() || !b->isEnabled() ||
            QKeySequence::mnemonic(b->text()) != key)
            continue;
        if (found)
            return nullptr; // two buttons: Qt's own cycling between them stays
        found = b;
    }
    return found;
}

bool MnemonicPriority::menuHas(const QKeySequence &key) const
{
    const QMenuBar *bar = m_window.menuWidget() ? qobject_cast<QMenuBar *>(m_window.menuWidget())
                                                : nullptr;
    if (!bar || !bar->isVisible())
        return false;
    for (const QAction *a : bar->actions())
        if (a->isVisible() && QKeySequence::mnemonic(a->text()) == key)
            return true;
    return false;
}

bool MnemonicPriority::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) ||
        !watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != &m_window)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (type == QEvent::KeyPress && key->key() == Qt::Key_F10 &&
        key->modifiers() == Qt::NoModifier) {
        // The menu bar's keyboard navigation, as a lone Alt starts it.
        if (QMenuBar *bar = qobject_cast<QMenuBar *>(m_window.menuWidget())) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
            QApplication::sendEvent(watched, &press);
            QApplication::sendEvent(watched, &release);
            if (!bar->hasFocus() && !bar->activeAction())
                bar->setFocus(Qt::MenuBarFocusReason);
            return true;
        }
        return false;
    }
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
        return false;
    const QKeySequence pressed(key->keyCombination());
    if (type == QEvent::ShortcutOverride) {
        // Only where Qt would find the letter ambiguous: a button and a menu share it.
        QAbstractButton *button = menuHas(pressed) ? buttonFor(m_window, pressed) : nullptr;
        m_swallow = button ? pressed : QKeySequence();
        if (!button)
            return false;
        // What Qt does for a button's own shortcut. Done here, where the key is asked for
        // as a shortcut once: other filters may keep the key press that follows from us.
        button->setFocus(Qt::ShortcutFocusReason);
        button->animateClick();
        event->accept(); // no shortcut then: the key comes as a key press, swallowed below
        return true;
    }
    if (!m_swallow.isEmpty() && pressed == m_swallow) {
        m_swallow = QKeySequence();
        return true;
    }
    return false;
}
