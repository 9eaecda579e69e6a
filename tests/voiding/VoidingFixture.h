#pragma once

#include "HospitalFixture.h"

#include <QString>

// Documents executed by a department, as the pending window leaves them.
struct Executed {
    // Stores the execution record at `when` and marks the department's items executed.
    static bool record(HospitalFixture& db, const QString& dh, const QString& dept, const QString& zxdh,
                       const QDateTime& when) {
        return db.exec(QStringLiteral(
                           "INSERT INTO MZ_YJZX (ZXDH, DH, ZXR, FHR, KSMC, XM, ZXSJ) "
                           "SELECT '%1', DH, '张三', '李四', '%2', XM, '%3' FROM mz_kfdj WHERE DH='%4'")
                           .arg(zxdh, dept, when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), dh)) &&
               db.exec(QStringLiteral("Exec P_YJZX '%1','%2'").arg(dh, dept));
    }
};
