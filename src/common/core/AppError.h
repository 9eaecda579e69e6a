#pragma once

#include <QString>

#include <utility>

// A run-time error as the common error message shows it: number, description, source, and
// the database engine's own code when the error comes from one (SQLite's extended result
// code, the server's native error number), which IT staff look up.
struct AppError {
    AppError() = default;
    // Most errors are made from number, description and source alone.
    AppError(qint64 number, QString description, QString source, QString nativeCode = {})
        : number(number), description(std::move(description)), source(std::move(source)),
          nativeCode(std::move(nativeCode)) {}

    qint64 number = 0;
    QString description;
    QString source;
    QString nativeCode;

    bool isSet() const { return number != 0 || !description.isEmpty(); }
    void clear() { *this = AppError{}; }
};
