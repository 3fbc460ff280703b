#include "platform/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

Prompts *makeQtPrompts()
{
    static QtPrompts prompts;
    return &prompts;
}

// Lets Prompts::instance() fall back to message boxes in a program that links this file
// but forgot to install prompts.
const bool fallbackRegistered = (Prompts::setFallback(&makeQtPrompts), true);

} // namespace

void QtPrompts::message(const QString &text, const QString &caption, PromptIcon icon)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, dialogParent());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

void QtPrompts::messageWithDetails(const QString &text, const QString &caption, PromptIcon icon,
                                   const QString &details)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, dialogParent());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setDetailedText(details);
    box.exec();
}

PromptAnswer QtPrompts::question(const QString &text, const QString &caption, PromptButtons buttons,
                                 PromptIcon icon)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
    case PromptButtons::Ok:
        set = QMessageBox::Ok;
        break;
    case PromptButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case PromptButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(boxIcon(icon), caption, text, set, dialogParent());
    // The first button is the default, as in the classic message box.
    box.setDefaultButton(buttons == PromptButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        break;
    }
    // Closed without a button (Esc on a box without a cancel or no button).
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::YesNoCancel:
        break;
    }
    return PromptAnswer::Cancel;
}

QString QtPrompts::qtFilter(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1]
                                     .split(QLatin1Char(';'), Qt::SkipEmptyParts)
                                     .join(QLatin1Char(' '))
                                     .trimmed();
        // A description that already shows its patterns in brackets is used as it is.
        if (description.endsWith(QLatin1Char(')')))
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    if (parts.size() % 2 == 1 && !parts.last().trimmed().isEmpty())
        out << parts.last().trimmed();
    return out.join(QStringLiteral(";;"));
}

QString QtPrompts::defaultSuffix(const QString &filter)
{
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
    const QRegularExpressionMatch match = firstPattern.match(qtFilter(filter));
    return match.hasMatch() ? match.captured(1) : QString();
}

QString QtPrompts::openFileName(const QString &caption, const QString &filter,
                                const QString &directory)
{
    return QFileDialog::getOpenFileName(dialogParent(), caption, directory, qtFilter(filter));
}

QString QtPrompts::saveFileName(const QString &caption, const QString &filter,
                                const QString &directory)
{
    // A dialog object rather than the static call: the static one adds no default suffix,
    // so "konfigurace" would be saved without ".ini". Replacing a file is confirmed.
    QFileDialog dialog(dialogParent(), caption, directory, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void QtPrompts::beep()
{
    QApplication::beep();
}
