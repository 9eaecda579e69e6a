#include "tools/about.h"

#include "common/CleanControl.h"
#include "common/PlacedControls.h"
#include "common/core/MessageService.h"
#include "common/core/ProcessLauncher.h"
#include "tools/core/AboutTexts.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

using PlacedControls::addLabel;

QString about::makerAddress() {
    // Unknown until the distributor puts its own here; the address line is hidden till then.
    return {};
}

about::about(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("关于软件"));
    setFixedSize(440, 300);

    auto* image = addLabel(QStringLiteral("Image1"), QString(), this, {20, 20, 64, 64});
    image->setPixmap(QPixmap(QStringLiteral(":/icons/help-about.png")));
    image->setScaledContents(true);

    QLabel* title = addLabel(QStringLiteral("Label6"), QString(), this, {100, 20, 320, 28});
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    title->setFont(big);
    QLabel* version = addLabel(QStringLiteral("Label_Ver"), QString(), this, {100, 54, 320, 22});
    addLabel(QStringLiteral("Label1"), QStringLiteral("社区卫生服务信息系统 医技管理"), this,
             {100, 80, 320, 22});
    addLabel(QStringLiteral("Label2"), QStringLiteral("技术支持：本院信息科"), this, {100, 104, 320, 22});
    QLabel* addressLabel =
        addLabel(QStringLiteral("Label8"), QStringLiteral("网址："), this, {100, 128, 44, 22});
    m_address = addLabel(QStringLiteral("Label9"), makerAddress(), this, {144, 128, 276, 22});
    addressLabel->setVisible(!makerAddress().isEmpty());
    m_address->setVisible(!makerAddress().isEmpty());
    m_address->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    m_address->setCursor(Qt::PointingHandCursor);
    m_address->installEventFilter(this);
    addLabel(QStringLiteral("Label3"),
             QStringLiteral("警告：本程序受著作权法和国际条约保护。未经授权擅自复制或传播本程序的全部或部分，"
                            "将受到严厉的民事和刑事制裁，并将在法律许可的最大限度内受到追诉。"),
             this, {20, 170, 400, 66});

    auto* close = new QPushButton(QStringLiteral("确定(&O)"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setGeometry(330, 252, 90, 30);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    CleanControl::SetControlColor(this);
    title->setText(AboutTexts::bookTitle(Messages::applicationTitle()));
    version->setText(AboutTexts::versionText(AboutTexts::versionMajor(), AboutTexts::versionMinor(),
                                             AboutTexts::versionRevision()));
}

bool about::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_address && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !makerAddress().isEmpty()) {
        ProcessLauncher::openWithAssociatedProgram(makerAddress()); // a failure is not reported
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
