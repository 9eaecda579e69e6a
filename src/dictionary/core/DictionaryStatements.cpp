#include "dictionary/core/DictionaryStatements.h"

#include "db/StatementHelpers.h"

namespace DictionarySql {

QString dictionaries(const QString& moduleKey, bool all) {
    if (all)
        return QStringLiteral("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd  order by xx");
    return QStringLiteral("select BZ,DM,DMMC,ZD_Type,moudelname From dagl_zd Where MoudelName Like'%") +
           SqlEscape(moduleKey) + QStringLiteral("%' order by xx");
}

QString entries(const QString& code) {
    return QStringLiteral("Select DMMC,id From CS Where ControlID Like") + SqlText(code);
}

QString deleteEntry(const QString& id) {
    return QStringLiteral("Delete CS Where id Like") + SqlText(id);
}

QString insertEntry(const QString& code, const QString& letters, const QString& text) {
    return QStringLiteral(" Insert into CS(Controlid,DM,DMMC) Values (") + SqlText(code) + QLatin1Char(',') +
           SqlText(letters) + QLatin1Char(',') + SqlText(text) + QLatin1Char(')');
}

QString updateEntry(const QString& text, const QString& letters, qint64 id) {
    return QStringLiteral("Update CS Set DMMC=") + SqlText(text) + QStringLiteral(",DM=") + SqlText(letters) +
           QStringLiteral(" Where ID=") + QString::number(id);
}

QString deleteDictionary(const QString& code) {
    return QStringLiteral("Delete DAGL_ZD Where DM=") + SqlText(code) + QLatin1Char('\n') +
           QStringLiteral("Delete CS Where ControlID=") + SqlText(code);
}

QString insertDictionary(const QString& code, const QString& name, const QString& type,
                         const QString& moduleKey, const QString& remark) {
    return QStringLiteral("Insert into DAGL_ZD (DM,DMMC,ZD_TYPE,Moudelname,BZ) Values (") + SqlText(code) +
           QLatin1Char(',') + SqlText(name) + QLatin1Char(',') + SqlText(type) + QLatin1Char(',') +
           SqlText(moduleKey) + QLatin1Char(',') + SqlText(remark) + QLatin1Char(')');
}

QString updateDictionary(const QString& remark, const QString& code, const QString& name,
                         const QString& type) {
    return QStringLiteral("Update DAGL_ZD Set BZ=") + SqlText(remark) + QStringLiteral(",DM=") +
           SqlText(code) + QStringLiteral(",DMMC=") + SqlText(name) + QStringLiteral(",ZD_TYPE=") +
           SqlText(type) + QStringLiteral(" Where DM=") + SqlText(code);
}

QString windowTree() {
    return QStringLiteral("Select Lavel,Sname,ID,PID,Ename from ZD_Tabel order by lavel ");
}

QString links(const QString& formName) {
    return QStringLiteral("Select A.id,A.ControlEname,A.ControlCname,B.DMMC  From ZD_LinkTable A left join "
                          "DAGL_ZD B ON A.LINKZD=B.DM Where A.FormName Like") +
           SqlText(formName) + QStringLiteral(" Order by A.XH");
}

QString updateLink(const QString& code, qint64 id) {
    return QStringLiteral("Update ZD_LinkTable SET LinkZD=") + SqlText(code) + QStringLiteral(" Where ID=") +
           QString::number(id);
}

} // namespace DictionarySql
