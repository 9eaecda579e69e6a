#pragma once

#include "common/HelpPages.h"
#include "tools/core/HelpManual.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextBrowser;

// The user's manual in a window of the program: its pages in a browser that reads only the
// installed files (no network), and beside them the keyword index with its filter box.
class Frm_Help : public QWidget, public HelpPages {
    Q_OBJECT

public:
    explicit Frm_Help(QWidget* parent = nullptr);

    void showContents() override;
    void showIndex() override;

    // The page shown, with its place ("it.html#backup"), relative to the manual folder.
    QString currentPage() const;

private:
    void buildControls();
    void fillKeywords();
    void openKeyword(QListWidgetItem* item);
    void openFirstKeyword();
    void open(const QString& page, const QString& place);

    QString m_folder;
    QList<HelpManual::Keyword> m_keywords;
    QPushButton* m_contents = nullptr;
    QPushButton* m_index = nullptr;
    QPushButton* m_back = nullptr;
    QWidget* m_indexPanel = nullptr;
    QLineEdit* m_filter = nullptr;
    QListWidget* m_list = nullptr;
    QTextBrowser* m_browser = nullptr;
};
