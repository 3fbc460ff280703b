#pragma once

// A private working directory for one test: the program keeps its settings files in the
// current directory, so each test gets a fresh one and the previous one back afterwards.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QTemporaryDir>
#include <QtTest>

class WorkingDir
{
public:
    WorkingDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~WorkingDir() { QDir::setCurrent(m_previous); }

    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool exists(const QString &name) const { return QFile::exists(file(name)); }

    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // serialPorts.ini: "COMn" -> device path.
    void mapPorts(const QList<QPair<int, QString>> &ports) const
    {
        QByteArray text = "[ports]\r\n";
        for (const auto &p : ports)
            text += "COM" + QByteArray::number(p.first) + "=" + p.second.toUtf8() + "\r\n";
        write(QStringLiteral("serialPorts.ini"), text);
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};
