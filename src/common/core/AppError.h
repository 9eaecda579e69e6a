#pragma once

#include <QString>

// A run-time error as the common error message shows it: number, description, source.
struct AppError {
    qint64 number = 0;
    QString description;
    QString source;

    bool isSet() const { return number != 0 || !description.isEmpty(); }
    void clear() { *this = AppError{}; }
};
