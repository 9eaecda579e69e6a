#include "common/core/MessageService.h"

#include <QTextStream>

namespace {

class StderrMessageService : public IMessageService {
public:
    MsgAnswer show(const QString& title, const QString& text, MsgIcon, MsgButtons,
                   MsgAnswer defaultAnswer) override {
        QTextStream(stderr) << title << ": " << text << Qt::endl;
        return defaultAnswer;
    }
};

StderrMessageService g_fallback;
IMessageService* g_service = nullptr;
QString g_title = QStringLiteral("医技管理");

} // namespace

namespace Messages {

IMessageService& service() {
    return g_service ? *g_service : g_fallback;
}

void install(IMessageService* s) {
    g_service = s;
}

QString applicationTitle() {
    return g_title;
}

void setApplicationTitle(const QString& title) {
    g_title = title;
}

MsgAnswer show(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons,
               MsgAnswer defaultAnswer) {
    return service().show(title, text, icon, buttons, defaultAnswer);
}

void warning(const QString& text) {
    show(QStringLiteral("系统提示"), text, MsgIcon::Exclamation);
}

void notice(const QString& text) {
    show(QStringLiteral("提示"), text, MsgIcon::Information);
}

void success(const QString& text) {
    show(QStringLiteral("信息"), text, MsgIcon::Information);
}

bool confirmOkCancel(const QString& text) {
    return show(QStringLiteral("询问"), text, MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok) ==
           MsgAnswer::Ok;
}

bool confirmYesNo(const QString& title, const QString& text, bool defaultNo) {
    return show(title, text, MsgIcon::Question, MsgButtons::YesNo,
                defaultNo ? MsgAnswer::No : MsgAnswer::Yes) == MsgAnswer::Yes;
}

void plain(const QString& text) {
    show(applicationTitle(), text, MsgIcon::None, MsgButtons::Ok);
}

} // namespace Messages

QString ErrorMessageText(const AppError& error) {
    return QStringLiteral("错误号：  ") + QString::number(error.number) +
           QStringLiteral("\r\n\r\n错误描述：") + error.description + QStringLiteral("\r\n\r\n错误来源：") +
           error.source +
           (error.nativeCode.isEmpty()
                ? QString()
                : QStringLiteral("（原始错误码：") + error.nativeCode + QStringLiteral("）"));
}

void ShowErrorMessage(const AppError& error) {
    Messages::show(QStringLiteral("系统提示"), ErrorMessageText(error), MsgIcon::Exclamation);
}
