#pragma once

#include "execution/core/PendingDocuments.h"

#include <QList>
#include <QWidget>

class QAction;
class QCheckBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class SpreadGrid;

// The department's pending documents: the list, the selected document's header and items,
// and its execution. A plain widget; the main window puts it into its document area.
class Mz_CKFY : public QWidget {
    Q_OBJECT
public:
    explicit Mz_CKFY(QWidget* parent = nullptr);
    ~Mz_CKFY() override;

    // Rebuilds the pending list for gExecDept and the chosen period.
    void RefreshDJList();
    // Header of a document; `lx` "住院" reads the inpatient table.
    void LoadDJHead(const QString& dh, const QString& lx);
    // Items of a document, and a fresh execution number.
    void LoadDJMX(const QString& dh, const QString& lx);
    // Group colours of the item rows.
    void RColor();
    // The execution attempt of "执行(F2)" with all its checks.
    void ExecuteSelected();
    // Stores the execution of the shown document.
    void ExecDJ(const QString& dh);
    // The one print entry of the window: "打印(&P)" (isPrint true) prints the document's slip,
    // "预览(&R)" (false; isZYCF for an inpatient document) previews it; isPrint turns false
    // when nothing was printed. The auto-print marking prints the same slip without dialogs.
    void MZCFPrint(const QString& dh, bool& isPrint, bool isZYCF = false);

    bool autoRefreshOn() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Counts the window's own routines under way (they may wait for the database while the
    // window's events go on).
    struct WorkUnderWay {
        explicit WorkUnderWay(int& depth) : m_depth(depth) { ++m_depth; }
        ~WorkUnderWay() { --m_depth; }
        WorkUnderWay(const WorkUnderWay&) = delete;
        WorkUnderWay& operator=(const WorkUnderWay&) = delete;
        int& m_depth;
    };

    // Timer1: the refresh, unless something is under way.
    void refreshTick();
    // The program waits for the database: the writing commands wait too.
    void showWaiting(bool waiting);
    void buildControls();
    void arrangeControls();
    void arrangeButtons(int barWidth);
    void loadWindow();
    void fillCheckerMenu();
    void arrangeItemColumns();
    void fitItemColumns();
    // Executor and checker become the signed-in user.
    void takeSignedInUser();
    // The number the next execution will store, as far as this workstation can tell.
    QString proposedNumber() const;
    void loadAutoPrintOption();
    void saveAutoPrintOption();
    bool handleKey(int key);
    void selectListedRow(int row);
    void lookUpTypedNumber(const QString& text);
    void chooseChecker(QAction* action);
    bool isListedAsInpatient(const QString& dh) const;
    bool applyPrintedMarking(const QString& dh, const QString& lx, const QVariant& isPrint);
    QStringList listedNumbers() const;
    QList<bool> itemTicks() const;

    // Pending list and its title, counters and number box.
    QFrame* m_titleFrame = nullptr;
    QLabel* m_titleLabel = nullptr;
    QDateEdit* m_sD = nullptr;
    QDateEdit* m_eD = nullptr;
    SpreadGrid* m_list = nullptr;
    QFrame* m_strip = nullptr;
    QLabel* m_outpatientCount = nullptr;
    QLabel* m_inpatientCount = nullptr;
    QLineEdit* m_typedNumber = nullptr;
    QLabel* m_waitLabel = nullptr;

    // Header of the selected document.
    QGroupBox* m_headerBox = nullptr;
    QLineEdit* m_txtDH = nullptr;
    QLineEdit* m_xm = nullptr;
    QLineEdit* m_xb = nullptr;
    QLineEdit* m_nl = nullptr;
    QLineEdit* m_kdys = nullptr;
    QLineEdit* m_kdsj = nullptr;
    QLineEdit* m_zyh = nullptr;
    QLineEdit* m_cwh = nullptr;
    QLabel* m_numberCaption = nullptr;
    QLabel* m_executionNumber = nullptr;
    SpreadGrid* m_items = nullptr;

    // Button bar.
    QFrame* m_buttonBar = nullptr;
    QLineEdit* m_fyr = nullptr;
    QLineEdit* m_pyr = nullptr;
    QPushButton* m_changeCheckerButton = nullptr;
    QMenu* m_checkerMenu = nullptr;
    QList<QAction*> m_yf;
    QCheckBox* m_autoPrintBox = nullptr;
    QCheckBox* m_printAllItemsBox = nullptr;
    QPushButton* m_executeButton = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPushButton* m_executedQueryButton = nullptr;
    QPushButton* m_cardButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_previewButton = nullptr;

    QTimer* m_refreshTimer = nullptr;
    PendingListReader m_pendingReader;
    int m_totalsRow = 0; // the detail grid's totals row, 0 when there is none
    bool m_refreshing = false;
    int m_working = 0; // routines of this window under way
    bool m_shownBefore = false;
    int m_savedAutoPrint = 0;
};
