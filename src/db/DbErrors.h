#pragma once

#include "common/core/AppError.h"

// Error numbers as the windows know them from the hospital's client library.
namespace DbError {
constexpr qint64 BrokenLink = -2147467259;      // 0x80004005: link lost, database unreachable or gone
constexpr qint64 ClosedObject = 3704;           // operation on a closed connection
constexpr qint64 NoProvider = 3706;             // connection string names no known provider
constexpr qint64 StatementFailed = -2147217900; // 0x80040E14: the engine rejected the statement
constexpr qint64 LockTimeout = -2147217871;     // 0x80040E31: waited too long for a lock

// The two numbers after which OpenRs closes and reopens the connection.
inline bool needsReconnect(qint64 number) {
    return number == BrokenLink || number == ClosedObject;
}

inline AppError make(qint64 number, const QString& description, const QString& source) {
    return AppError{number, description, source};
}
} // namespace DbError
