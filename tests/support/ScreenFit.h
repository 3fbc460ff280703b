#pragma once

// Whether a window fits the smallest service laptop's screen: 1366 x 768 less a title bar
// and a task bar leaves 1366 x 700 for the window's content, and nothing inside may lie
// outside its parent (which the user would see clipped). A list or table may scroll down
// through its rows, but not sideways: a column cut at the window's edge is clipped too.

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

inline constexpr QSize kSmallScreenContent(1366, 700);

inline QString widgetName(const QWidget *w)
{
    const QString name = w->objectName();
    return name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name;
}

inline QStringList screenFitFaults(QWidget *window)
{
    QStringList faults;
    if (window->width() > kSmallScreenContent.width() ||
        window->height() > kSmallScreenContent.height())
        faults << QStringLiteral("%1 is %2 x %3")
                      .arg(widgetName(window))
                      .arg(window->width())
                      .arg(window->height());
    for (QAbstractScrollArea *area : window->findChildren<QAbstractScrollArea *>())
        if (area->isVisibleTo(window) && area->horizontalScrollBar()->isVisibleTo(window))
            faults << QStringLiteral("%1 scrolls sideways").arg(widgetName(area));
    for (QWidget *w : window->findChildren<QWidget *>()) {
        QWidget *parent = w->parentWidget();
        if (!parent || w->isWindow() || !w->isVisibleTo(window))
            continue;
        // What a scroll area holds may be larger than its view; Qt's own parts place
        // themselves.
        if (qobject_cast<QAbstractScrollArea *>(parent->parentWidget()) ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (!parent->rect().contains(w->geometry()))
            faults << QStringLiteral("%1 (%2,%3 %4 x %5) outside %6 (%7 x %8)")
                          .arg(widgetName(w))
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(widgetName(parent))
                          .arg(parent->width())
                          .arg(parent->height());
    }
    return faults;
}
