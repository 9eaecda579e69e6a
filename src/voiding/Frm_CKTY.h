#pragma once

#include <QDate>
#include <QWidget>

class QDateEdit;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class SpreadGrid;

// Voiding of the department's executed outpatient documents: the list of a date range, the
// selected document's header and items, and the void itself. A plain widget; the main window
// puts it into its document area.
class Frm_CKTY : public QWidget {
    Q_OBJECT
public:
    explicit Frm_CKTY(QWidget* parent = nullptr);
    ~Frm_CKTY() override;

    // Fills the document list with the department's documents whose patient name matches.
    void FillList(const QString& namePattern, const QDate& from, const QDate& to);
    // The list for the search box and the date range.
    void RefreshList();
    void ShowHeader(const QString& dh);
    // The document's items of this department, with a totals row.
    void LoadDetail(const QString& dh);
    // Group colours of the item rows.
    void RColor();
    // The void command with its checks ("单据作废(F2)").
    void VoidSelected();
    void VoidDocument(const QString& dh);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void buildSearchFrame();
    void buildHeaderFrame();
    void buildButtonBar();
    void loadWindow();
    void arrangeControls();
    void selectListedRow(int row);
    QStringList listedNumbers() const;

    SpreadGrid* m_list = nullptr;
    QGroupBox* m_search = nullptr;
    QDateEdit* m_sD = nullptr;
    QDateEdit* m_eD = nullptr;
    QLineEdit* m_txtSearch = nullptr;
    QPushButton* m_searchButton = nullptr;

    QGroupBox* m_headerBox = nullptr;
    QLineEdit* m_txtDH = nullptr;
    QLineEdit* m_xm = nullptr;
    QLineEdit* m_xb = nullptr;
    QLineEdit* m_nl = nullptr;
    QLineEdit* m_kdys = nullptr;
    QLineEdit* m_kdsj = nullptr;
    QLineEdit* m_zyh = nullptr;
    QLineEdit* m_cwh = nullptr;
    SpreadGrid* m_items = nullptr;

    QFrame* m_buttonBar = nullptr;
    QPushButton* m_voidButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPushButton* m_voidedQueryButton = nullptr;
    QPushButton* m_cardButton = nullptr;
    int m_totalsRow = 0; // the item grid's totals row, 0 when there is none
    bool m_shownBefore = false;
};
