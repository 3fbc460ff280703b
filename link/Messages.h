#pragma once

#include <QString>

// The 32 fixed Czech messages; an error number is an index into this table.
constexpr int kMessageCount = 32;
extern const char *const messageTable[kMessageCount];

// messageTable[n] as text; an empty text outside 0..31.
QString message(int n);

// Error numbers used by name in the code.
enum ErrorNumber {
    ErrOk = 0,
    ErrNoReply = 6,
    ErrPortClosed = 7,
    ErrWrongDevice = 9,
    ErrUnknownDevice = 10,
    ErrInternal = 12,
    ErrInvalidInput = 13,
    ErrVerifyFailed = 16,
    ErrForeignFile = 21,
    ErrCrc = 29,
};
