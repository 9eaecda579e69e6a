#pragma once

#include <QObject>
#include <QString>

// The signed-in user.
class User_qx {
public:
    QString GetUserName;
    QString UserPassword;
    QString GetGroup;
    QString SZSQ;
    bool YJXT_IN = false;
    bool QXSZ_Edit = false;
    bool QXSZ_See = false;
    bool YJXT_LOG = false; // may open the audit trail's window 操作日志查询
};

// Program-wide values that live from start-up or sign-in to the end of the run.
extern QString gConnStr;
extern QString gHospitalName;
extern User_qx* gUser; // created at the first successful sign-in
extern QString gExecDept;
extern qint32 gIme;
extern QString gSearchType;
extern bool gReLogin;

// Creates gUser when it does not exist yet and returns it.
User_qx& currentUser();

// Tells open windows that another user signed in while the main window runs (gUser and
// gExecDept then hold the new user and department).
class SessionEvents : public QObject {
    Q_OBJECT
public:
    static SessionEvents& instance();

signals:
    void userSwitched();
};
