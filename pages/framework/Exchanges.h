#pragma once

// The exchanges a page, a live reader or a test window runs on its own TTransmit, each in
// the documented calling order (clear, function, start, count or values, buildRequest,
// transact). They throw PageError: "chyba OKW" with the error number beside it.
//
//   const QString ident = exchange::identification(t, traits.models, false);
//   const auto values = exchange::readHolding(t, 0x2001, 15, bar);
//   exchange::writeHolding(t, 0x2001, image, bar);
//   exchange::writeCoil(t, 0x0003, true, nullptr, moduleAddress); // function 5
//   exchange::writeSingle(t, 0x0100, 0x00FF);                     // function 6
//
// A slave of -1 sends to address 255 (setAddress is not called).

#include "link/TTransmit.h"
#include "platform/TextError.h"

#include <QStringList>
#include <functional>
#include <vector>

// "chyba OKW" with the error number beside it.
class PageError : public TextError
{
public:
    explicit PageError(int error) : TextError(QStringLiteral("chyba OKW")), error(error) {}
    // A failure with a message of its own instead of the error's.
    PageError(int error, const QString &shown)
        : TextError(QStringLiteral("chyba OKW")), error(error), shown(shown)
    {
    }
    int error;
    QString shown;
};

namespace exchange {

// Throws PageError(error) unless error is 0.
void check(const TransmitResult &result);
[[noreturn]] void fail(int error);

// A model name padded to the 16 characters of an identification.
QString padded(const QString &model);
// The identification (classic place 0x0001, or 0x0010 when newer); error 9 unless it is one
// of the models (padded or not).
QString identification(TTransmit &t, const QStringList &models, bool newer);

// Function 3; the values as the registers hold them (unsigned).
std::vector<quint16> readHolding(TTransmit &t, int start, int count,
                                 TransmitProgress *bar = nullptr, int slave = -1);
// Function 16 of all values from start.
void writeHolding(TTransmit &t, int start, const std::vector<quint16> &values,
                  TransmitProgress *bar = nullptr, int slave = -1);
// Function 6.
void writeSingle(TTransmit &t, int address, quint16 value, TransmitProgress *bar = nullptr,
                 int slave = -1);
// Function 5 (its reply is read after the 100 ms pause of the link).
void writeCoil(TTransmit &t, int address, bool on, TransmitProgress *bar = nullptr, int slave = -1);

// A command through the device's command register: up to `attempts` times, write the value
// (function 16, one register), wait(waitMs), read the register (function 3); the command is
// done when it reads 0. A failed exchange only spoils its attempt; when no attempt saw 0 the
// write counts as failed (error 16).
void command(TTransmit &t, int address, quint16 value, const std::function<void(int ms)> &wait,
             TransmitProgress *bar = nullptr, int attempts = 10, int waitMs = 400);

// Runs an exchange; its error number, 0 when it went through. A throw that is no PageError
// counts as the internal error.
template <typename Exchange> int errorOf(Exchange &&body)
{
    try {
        body();
        return 0;
    } catch (const PageError &e) {
        return e.error;
    } catch (const std::exception &) {
        return 12;
    }
}

} // namespace exchange
