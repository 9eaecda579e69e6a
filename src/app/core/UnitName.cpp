#include "app/core/UnitName.h"

#include "common/core/AES.h"
#include "common/core/Session.h"
#include "db/Connection.h"
#include "db/StatementHelpers.h"

QString UnitNameStatement() {
    return QStringLiteral("Select top 1 DWMC From HosPitalInfo");
}

bool ReadUnitNameFromDatabase(QString* name, AppError* error) {
    RecordsetPtr rs;
    if (!OpenRsQuiet(rs, UnitNameStatement(), error) || !rs)
        return false;
    QString enciphered;
    if (rs->RecordCount() > 0) {
        rs->MoveFirst();
        enciphered = rs->text(0);
    }
    CloseRs(rs);
    // JMiMa shows a box for text without hexadecimal digits; a unit name that cannot be
    // read is no reason to stop anybody at start-up.
    if (AES::fromHexDigits(enciphered).isEmpty()) {
        if (error) {
            error->number = 3021;
            error->description = QStringLiteral("没有可以解密的单位名称");
            error->source = QStringLiteral("ReadUnitName");
        }
        return false;
    }
    const QString plain = AES().JMiMa(enciphered);
    if (plain.isEmpty()) {
        if (error) {
            error->number = 5;
            error->description = QStringLiteral("单位名称无法解密");
            error->source = QStringLiteral("ReadUnitName");
        }
        return false;
    }
    if (name)
        *name = plain;
    return true;
}

void ReadUnitName() {
    QString name;
    AppError error;
    gHospitalName = ReadUnitNameFromDatabase(&name, &error) ? name : QString();
}
