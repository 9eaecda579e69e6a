#include "common/core/Session.h"

QString gConnStr;
QString gHospitalName;
User_qx* gUser = nullptr;
QString gExecDept;
qint32 gIme = 0;
QString gSearchType;
bool gReLogin = false;

SessionEvents& SessionEvents::instance() {
    static SessionEvents events;
    return events;
}

User_qx& currentUser() {
    if (!gUser)
        gUser = new User_qx;
    return *gUser;
}
