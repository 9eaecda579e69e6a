#include "common/PasswordMask.h"

#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>

namespace {

// The application's style with "*" as the password character.
class StarMaskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void maskWithStars(QLineEdit* box) {
    auto* style = new StarMaskStyle(QApplication::style()->name());
    style->setParent(box);
    box->setStyle(style);
}
