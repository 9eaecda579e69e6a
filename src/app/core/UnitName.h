#pragma once

#include "common/core/AppError.h"

#include <QString>

// The unit (hospital) name, kept enciphered in HosPitalInfo.
QString UnitNameStatement();

// Reads and deciphers it; false when there is no table, no row or no value that deciphers.
[[nodiscard]] bool ReadUnitNameFromDatabase(QString* name, AppError* error);

// Fills gHospitalName; leaves it empty when the name cannot be read. Start-up goes on.
void ReadUnitName();
