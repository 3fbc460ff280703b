#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// An exception whose text is shown to the user (or only unwinds an operation).
class TextError : public std::exception
{
public:
    explicit TextError(const QString &text) : m_text(text), m_utf8(text.toUtf8()) {}
    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
