#pragma once

#include "output/core/TableSource.h"

class Recordset;

// A statement's result as a table to export: the field names as headings, every value as the
// windows show it. A column whose every value is a number of the database is a number column,
// one whose every value is a date (or a text in the stored form "yyyy-mm-dd[ hh:mm:ss]") a date
// column; anything else, codes and numbers held as text included, stays text.
TextTable ResultTable(const Recordset& rs);
