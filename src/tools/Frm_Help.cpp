#include "tools/Frm_Help.h"

#include "common/core/MessageService.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
constexpr int PageRole = Qt::UserRole;
constexpr int PlaceRole = Qt::UserRole + 1;
} // namespace

Frm_Help::Frm_Help(QWidget* parent) : QWidget(parent), m_folder(HelpManual::folder()) {
    setObjectName(QStringLiteral("Frm_Help"));
    setWindowTitle(QStringLiteral("帮助"));
    buildControls();
    AppError error;
    if (!HelpManual::LoadKeywords(m_folder, &m_keywords, &error))
        m_keywords.clear(); // the index stays empty; the contents page says what is missing
    fillKeywords();
    showContents();
}

void Frm_Help::buildControls() {
    m_contents = new QPushButton(QStringLiteral("目录(&C)"), this);
    m_contents->setObjectName(QStringLiteral("Command1"));
    m_index = new QPushButton(QStringLiteral("索引(&I)"), this);
    m_index->setObjectName(QStringLiteral("Command2"));
    m_back = new QPushButton(QStringLiteral("后退(&B)"), this);
    m_back->setObjectName(QStringLiteral("Command3"));
    m_back->setEnabled(false);

    m_indexPanel = new QWidget(this);
    m_indexPanel->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("输入要查找的关键字："), m_indexPanel);
    label->setObjectName(QStringLiteral("Label1"));
    m_filter = new QLineEdit(m_indexPanel);
    m_filter->setObjectName(QStringLiteral("Text1"));
    m_filter->setClearButtonEnabled(true);
    m_list = new QListWidget(m_indexPanel);
    m_list->setObjectName(QStringLiteral("List1"));
    auto* panelLayout = new QVBoxLayout(m_indexPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(label);
    panelLayout->addWidget(m_filter);
    panelLayout->addWidget(m_list);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    // Only the manual's own files: a link that leads outside is not followed.
    m_browser->setOpenExternalLinks(false);
    m_browser->setSearchPaths({m_folder});

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_indexPanel);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 700});

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_contents);
    buttons->addWidget(m_index);
    buttons->addWidget(m_back);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter);

    connect(m_contents, &QPushButton::clicked, this, &Frm_Help::showContents);
    connect(m_index, &QPushButton::clicked, this, &Frm_Help::showIndex);
    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
    connect(m_filter, &QLineEdit::textChanged, this, &Frm_Help::fillKeywords);
    connect(m_filter, &QLineEdit::returnPressed, this, &Frm_Help::openFirstKeyword);
    connect(m_list, &QListWidget::itemActivated, this, &Frm_Help::openKeyword);
    connect(m_list, &QListWidget::itemClicked, this, &Frm_Help::openKeyword);
}

void Frm_Help::showContents() {
    m_indexPanel->hide();
    open(QFileInfo(HelpManual::contentsPage(m_folder)).fileName(), {});
}

void Frm_Help::showIndex() {
    m_indexPanel->show();
    m_filter->setFocus();
    m_filter->selectAll();
}

QString Frm_Help::currentPage() const {
    const QUrl source = m_browser->source();
    if (source.isEmpty())
        return {};
    const QString page = QDir(m_folder).relativeFilePath(source.toLocalFile());
    return source.hasFragment() ? page + QLatin1Char('#') + source.fragment() : page;
}

void Frm_Help::fillKeywords() {
    m_list->clear();
    for (const HelpManual::Keyword& k : HelpManual::Filter(m_keywords, m_filter->text())) {
        auto* item = new QListWidgetItem(k.text, m_list);
        item->setData(PageRole, k.page);
        item->setData(PlaceRole, k.place);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void Frm_Help::openKeyword(QListWidgetItem* item) {
    if (item)
        open(item->data(PageRole).toString(), item->data(PlaceRole).toString());
}

void Frm_Help::openFirstKeyword() {
    openKeyword(m_list->currentItem() ? m_list->currentItem() : m_list->item(0));
}

void Frm_Help::open(const QString& page, const QString& place) {
    const QString file = QDir(m_folder).filePath(page);
    if (!QFileInfo(file).isFile()) {
        m_browser->setPlainText(
            QStringLiteral("找不到使用手册的页面 %1，请与信息科联系。").arg(QDir::toNativeSeparators(file)));
        return;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (!place.isEmpty())
        url.setFragment(place);
    m_browser->setSource(url);
}
