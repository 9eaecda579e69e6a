#pragma once

#include <QString>
#include <QVariant>

// "住院" marks an inpatient document; any other type (also empty) is outpatient.
bool IsInpatient(const QString& lx);

// A stored flag that counts as set: true, 1, -1 or their texts ("1", "-1", "true").
bool IsTrueOrOne(const QVariant& value);
