#pragma once

#include "link/PortOwner.h"

#include <QString>

// A port owner that opens a given device (a simulator's pseudo-terminal) with the line
// settings the main window uses. Counts opens, so tests can tell whether the port was touched.
class PtyPortOwner : public PortOwner
{
public:
    explicit PtyPortOwner(const QString &path = QString()) : m_path(path) {}
    ~PtyPortOwner() override { closePort(); }

    void setPath(const QString &path) { m_path = path; }
    // The path, at the target's rate (so a pinned rate can be opened too).
    std::optional<PortSettings> portSettings() const override;
    void openPort() override;
    void closePort() override;

    int opens = 0;
    // The wait for a reply's first byte (0: the serial default).
    int firstByteTimeoutMs = 0;

private:
    QString m_path;
};
