#pragma once

// Outcome: what one page operation (read, write, load, save, a device action, a test step)
// came to. The window shows it; the CLI, backups, protocols and tests read it instead of
// the status bar or the message boxes. A plain value: no page header needed.

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

struct RegisterSpan {
    int start = 0;
    int count = 0;
    bool operator==(const RegisterSpan &o) const { return start == o.start && count == o.count; }
};

struct Outcome {
    enum class Kind {
        Done,    // ran to its end
        Failed,  // an error number (device, input, file) or a text of its own
        Refused, // did not run: a test holds the page, or the operation was not allowed
        Cancelled, // the person cancelled a dialog
        Queued,    // handed to the live window's reader, which runs it between two polls
    };

    Kind kind = Kind::Done;
    // The message table's number of the failure (0 when done; -1 when the failure has a
    // text of its own, such as a file that cannot be written).
    int error = 0;
    // What the window showed: the failure's message box, or the status text of success.
    QString message;
    // Registers written, and those read back and found equal (verified).
    std::vector<RegisterSpan> written;
    std::vector<RegisterSpan> verified;
    // When the read-back that verified the write was taken (invalid when none was).
    QDateTime readBackAt;

    bool ok() const { return kind == Kind::Done; }

    static Outcome done(const QString &message = QString())
    {
        Outcome o;
        o.message = message;
        return o;
    }
    static Outcome failed(int error, const QString &message)
    {
        Outcome o;
        o.kind = Kind::Failed;
        o.error = error;
        o.message = message;
        return o;
    }
    static Outcome refused()
    {
        Outcome o;
        o.kind = Kind::Refused;
        o.error = -1;
        return o;
    }
    static Outcome queued()
    {
        Outcome o;
        o.kind = Kind::Queued;
        o.error = -1;
        return o;
    }
    static Outcome cancelled()
    {
        Outcome o;
        o.kind = Kind::Cancelled;
        o.error = -1;
        return o;
    }
};

// Hears the final Outcome of an operation that may run later (a command queued to the live
// reader): called once, on the user-interface thread.
using OutcomeCallback = std::function<void(const Outcome &)>;
