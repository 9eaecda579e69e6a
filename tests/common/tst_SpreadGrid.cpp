#include "common/SpreadGrid.h"
#include "common/SpreadGridModel.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

QVector<QStringList> numberedRows(int count, int cols, const QString& prefix = QStringLiteral("r")) {
    QVector<QStringList> rows;
    rows.reserve(count);
    for (int r = 1; r <= count; ++r) {
        QStringList cells;
        for (int c = 1; c <= cols; ++c)
            cells << prefix + QString::number(r) + QLatin1Char('c') + QString::number(c);
        rows.append(cells);
    }
    return rows;
}

QPoint cellCentre(SpreadGrid& grid, int row, int col) {
    return grid.visualRect(grid.model()->index(row - 1, col - 1)).center();
}

} // namespace

class TestSpreadGrid : public QObject {
    Q_OBJECT
private slots:
    void numberingFromOne();
    void rowCountGrowsEmptyAndShrinksDropping();
    void outsideCellsReadEmptyAndIgnoreWrites();
    void rowValuesAndAllRows();
    void cellWritesKeepTheirNeighbours();
    void insertAndDeleteRows();
    void joinedCellsFollowRowChanges();
    void staticCellsAreNotEditable();
    void editableColumnsEmitChange();
    void checkColumnTogglesOnClickAndSpace();
    void staticCellOfCheckColumnIsTextNotBox();
    void activeRowAndSignals();
    void clickReportsGridNumbers();
    void widthsInCharacterUnits();
    void hiddenColumns();
    void backgroundsAndClearAll();
    void refreshWithSameShapeKeepsView();
    void refreshWithFewerRowsDropsOnlyTheRest();
    void cellWritesReachTheViewInOneNotice();
};

void TestSpreadGrid::numberingFromOne() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setMaxRows(2);
    grid.setColumnHeader(0, QStringLiteral("序号"));
    grid.setColumnHeader(1, QStringLiteral("单号"));
    grid.setText(0, 2, QStringLiteral("姓名"));
    grid.setText(1, 1, QStringLiteral("A"));
    grid.setText(2, 3, QStringLiteral("Z"));

    QCOMPARE(grid.text(0, 0), QStringLiteral("序号"));
    QCOMPARE(grid.text(0, 1), QStringLiteral("单号"));
    QCOMPARE(grid.text(0, 2), QStringLiteral("姓名"));
    QCOMPARE(grid.text(1, 0), QStringLiteral("1"));
    QCOMPARE(grid.text(2, 0), QStringLiteral("2"));
    QCOMPARE(grid.text(1, 1), QStringLiteral("A"));
    QCOMPARE(grid.text(2, 3), QStringLiteral("Z"));
    // The view shows the same numbering in its headers.
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("单号"));
    QCOMPARE(grid.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
    QCOMPARE(grid.model()->index(1, 2).data().toString(), QStringLiteral("Z"));
}

void TestSpreadGrid::rowCountGrowsEmptyAndShrinksDropping() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(3);
    grid.setText(3, 2, QStringLiteral("last"));
    grid.setText(2, 1, QStringLiteral("kept"));
    grid.setMaxRows(2);
    QCOMPARE(grid.maxRows(), 2);
    QCOMPARE(grid.model()->rowCount(), 2);
    grid.setMaxRows(4);
    QCOMPARE(grid.text(2, 1), QStringLiteral("kept"));
    QCOMPARE(grid.text(3, 2), QString()); // a dropped row comes back empty
    grid.setMaxRows(-5);
    QCOMPARE(grid.maxRows(), 0);

    // Fewer columns drop their texts too.
    grid.setMaxRows(1);
    grid.setText(1, 2, QStringLiteral("x"));
    grid.setMaxCols(1);
    grid.setMaxCols(2);
    QCOMPARE(grid.text(1, 2), QString());
    QCOMPARE(grid.appendRow(), 2);
    QCOMPARE(grid.maxRows(), 2);
}

void TestSpreadGrid::outsideCellsReadEmptyAndIgnoreWrites() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(2);
    grid.setText(3, 1, QStringLiteral("x"));
    grid.setText(1, 3, QStringLiteral("x"));
    grid.setText(-1, 1, QStringLiteral("x"));
    QCOMPARE(grid.maxRows(), 2);
    QCOMPARE(grid.text(3, 1), QString());
    QCOMPARE(grid.text(1, 3), QString());
    QCOMPARE(grid.text(9, 0), QString());
    QCOMPARE(grid.text(-1, -1), QString());
    grid.setCellBackground(5, 5, Qt::red);
    QVERIFY(!grid.cellBackground(5, 5).isValid());
    grid.joinCells(5, 1, 2, 2); // no crash, no span
    QCOMPARE(grid.rowSpan(0, 0), 1);
}

void TestSpreadGrid::rowValuesAndAllRows() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setMaxRows(2);
    grid.setRowValues(2, {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(grid.text(2, 1), QStringLiteral("a"));
    QCOMPARE(grid.text(2, 2), QStringLiteral("b"));
    QCOMPARE(grid.text(2, 3), QString());
    // More values than columns: the rest is not kept.
    grid.setRowValues(1,
                      {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    QCOMPARE(grid.text(1, 3), QStringLiteral("3"));
    grid.setMaxCols(4);
    QCOMPARE(grid.text(1, 4), QString());

    // The rows given stay the caller's: a later write to the grid does not reach them.
    const QVector<QStringList> given = numberedRows(5, 5);
    grid.setAllRows(given);
    QCOMPARE(grid.maxRows(), 5);
    QCOMPARE(grid.text(5, 4), QStringLiteral("r5c4"));
    QCOMPARE(grid.text(5, 5), QString());
    QCOMPARE(grid.text(1, 1), QStringLiteral("r1c1"));
    grid.setText(1, 1, QStringLiteral("x"));
    QCOMPARE(grid.text(1, 1), QStringLiteral("x"));
    QCOMPARE(grid.text(1, 2), QStringLiteral("r1c2"));
    QCOMPARE(given.at(0).at(0), QStringLiteral("r1c1"));
    grid.setAllRows({});
    QCOMPARE(grid.maxRows(), 0);
}

// A row's cells share one string: a write of any length leaves the other cells as they were.
void TestSpreadGrid::cellWritesKeepTheirNeighbours() {
    SpreadGrid grid;
    grid.setMaxCols(4);
    grid.setMaxRows(1);
    grid.setText(1, 3, QStringLiteral("三")); // cells before it are empty, after it missing
    QCOMPARE(grid.text(1, 3), QStringLiteral("三"));
    QCOMPARE(grid.text(1, 2), QString());
    grid.setText(1, 1, QStringLiteral("\U0001D11E甲"));
    grid.setText(1, 2, QStringLiteral("乙乙乙乙"));
    grid.setText(1, 3, QString());
    grid.setText(1, 4, QStringLiteral("丁"));
    grid.setText(1, 2, QStringLiteral("b"));
    QCOMPARE(grid.text(1, 1), QStringLiteral("\U0001D11E甲"));
    QCOMPARE(grid.text(1, 2), QStringLiteral("b"));
    QCOMPARE(grid.text(1, 3), QString());
    QCOMPARE(grid.text(1, 4), QStringLiteral("丁"));

    grid.setMaxCols(2); // shrinking drops the texts beyond
    grid.setMaxCols(4);
    QCOMPARE(grid.text(1, 2), QStringLiteral("b"));
    QCOMPARE(grid.text(1, 4), QString());

    QVector<TextRow> rows(2);
    rows[0] = TextRow(
        {QStringLiteral("x"), QString(), QStringLiteral("z"), QStringLiteral("w"), QStringLiteral("beyond")});
    grid.setAllTextRows(rows);
    QCOMPARE(grid.maxRows(), 2);
    QCOMPARE(grid.text(1, 3), QStringLiteral("z"));
    QCOMPARE(grid.text(1, 4), QStringLiteral("w"));
    QCOMPARE(grid.text(1, 5), QString());
    QCOMPARE(grid.text(2, 1), QString());
}

void TestSpreadGrid::insertAndDeleteRows() {
    SpreadGrid grid;
    grid.setMaxCols(1);
    grid.setAllRows({{QStringLiteral("a")}, {QStringLiteral("b")}, {QStringLiteral("c")}});
    grid.insertRows(1, 1); // before the first row
    QCOMPARE(grid.maxRows(), 4);
    QCOMPARE(grid.text(1, 1), QString());
    QCOMPARE(grid.text(2, 1), QStringLiteral("a"));
    grid.insertRows(5, 2); // after the last row
    QCOMPARE(grid.maxRows(), 6);
    QCOMPARE(grid.text(4, 1), QStringLiteral("c"));

    grid.deleteRows(1, 1);
    QCOMPARE(grid.text(1, 1), QStringLiteral("a"));
    grid.deleteRows(2, 100); // clipped to the rows there are
    QCOMPARE(grid.maxRows(), 1);
    QCOMPARE(grid.text(1, 1), QStringLiteral("a"));
    grid.deleteRows(0, 1);
    grid.deleteRows(2, 1);
    grid.insertRows(1, 0);
    QCOMPARE(grid.maxRows(), 1);

    // Cell colours travel with their rows.
    grid.setCellBackground(1, 1, Qt::yellow);
    grid.insertRows(1, 1);
    QVERIFY(!grid.cellBackground(1, 1).isValid());
    QCOMPARE(grid.cellBackground(2, 1), QColor(Qt::yellow));
}

void TestSpreadGrid::joinedCellsFollowRowChanges() {
    SpreadGrid grid;
    grid.setMaxCols(4);
    grid.setMaxRows(3);
    grid.joinCells(3, 1, 1, 2);
    grid.setText(3, 1, QStringLiteral("合计:"));
    QCOMPARE(grid.columnSpan(2, 0), 2);
    // A span reaching past the grid is cut at its edge.
    grid.joinCells(1, 3, 5, 5);
    QCOMPARE(grid.rowSpan(0, 2), 3);
    QCOMPARE(grid.columnSpan(0, 2), 2);

    grid.insertRows(1, 1);
    QCOMPARE(grid.columnSpan(3, 0), 2);
    QCOMPARE(grid.text(4, 1), QStringLiteral("合计:"));
    grid.clearAll();
    grid.setMaxRows(4);
    QCOMPARE(grid.columnSpan(3, 0), 1);
    QCOMPARE(grid.rowSpan(1, 2), 1);
}

void TestSpreadGrid::staticCellsAreNotEditable() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(1);
    grid.setColumnEditable(1, true);
    const QModelIndex cell = grid.model()->index(0, 0);
    QVERIFY(grid.model()->flags(cell) & Qt::ItemIsEditable);
    grid.setCellStatic(1, 1, Qt::AlignRight | Qt::AlignVCenter);
    QVERIFY(!(grid.model()->flags(cell) & Qt::ItemIsEditable));
    QCOMPARE(cell.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QVERIFY(!grid.model()->setData(cell, QStringLiteral("typed"), Qt::EditRole));
    QCOMPARE(grid.text(1, 1), QString());
    // Columns start read-only.
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!grid.isColumnEditable(2));
}

void TestSpreadGrid::editableColumnsEmitChange() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(2);
    grid.setColumnEditable(2, true);
    QSignalSpy changed(&grid, &SpreadGrid::cellChanged);
    grid.setText(1, 2, QStringLiteral("from code")); // not a user change
    QCOMPARE(changed.count(), 0);

    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setCurrentIndex(grid.model()->index(1, 1));
    QTest::keyClicks(grid.viewport(), QStringLiteral("5"));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid.viewport(),
                    Qt::Key_Return);
    QTRY_COMPARE(grid.text(2, 2), QStringLiteral("5"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toInt(), 2);
    QCOMPARE(changed.first().at(1).toInt(), 2);
}

void TestSpreadGrid::checkColumnTogglesOnClickAndSpace() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setMaxRows(2);
    grid.setCheckColumn(1);
    grid.setText(1, 1, QStringLiteral("1"));
    grid.setText(2, 1, QStringLiteral("0"));
    QCOMPARE(grid.model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(grid.model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(grid.model()->index(0, 0).data(Qt::DisplayRole).toString().isEmpty());
    QVERIFY(!grid.model()->index(0, 1).data(Qt::CheckStateRole).isValid());

    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy changed(&grid, &SpreadGrid::cellChanged);
    QSignalSpy clicked(&grid, &SpreadGrid::cellClicked);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 1));
    QCOMPARE(grid.text(2, 1), QStringLiteral("1"));
    QVERIFY(grid.isChecked(2));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 1));
    QCOMPARE(grid.text(2, 1), QStringLiteral("0"));
    QCOMPARE(changed.count(), 2);

    // A click elsewhere in the row does not tick.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 3));
    QCOMPARE(grid.text(1, 1), QStringLiteral("1"));
    QCOMPARE(changed.count(), 2);
    // Space ticks the active row.
    QTest::keyClick(grid.viewport(), Qt::Key_Space);
    QCOMPARE(grid.text(1, 1), QStringLiteral("0"));
    QCOMPARE(changed.count(), 3);

    // Fewer columns than the check column: no check column any more.
    grid.setMaxCols(0);
    QCOMPARE(grid.checkColumn(), 0);
}

void TestSpreadGrid::staticCellOfCheckColumnIsTextNotBox() {
    // The totals row joins cells 1 and 2 and shows "合计:" where the item rows have their ticks.
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setMaxRows(2);
    grid.setCheckColumn(1);
    grid.setText(1, 1, QStringLiteral("1"));
    grid.joinCells(2, 1, 1, 2);
    grid.setCellStatic(2, 1, Qt::AlignCenter);
    grid.setText(2, 1, QStringLiteral("合计:"));
    const QModelIndex total = grid.model()->index(1, 0);
    QCOMPARE(total.data(Qt::DisplayRole).toString(), QStringLiteral("合计:"));
    QVERIFY(!total.data(Qt::CheckStateRole).isValid());

    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy changed(&grid, &SpreadGrid::cellChanged);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 1));
    grid.setActiveRow(2);
    QTest::keyClick(grid.viewport(), Qt::Key_Space);
    QCOMPARE(grid.text(2, 1), QStringLiteral("合计:"));
    QVERIFY(!grid.isChecked(2));
    QCOMPARE(changed.count(), 0);
}

void TestSpreadGrid::activeRowAndSignals() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    QCOMPARE(grid.activeRow(), 0);
    grid.setAllRows(numberedRows(4, 2));
    QSignalSpy spy(&grid, &SpreadGrid::activeRowChanged);
    grid.setActiveRow(3);
    QCOMPARE(grid.activeRow(), 3);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toInt(), 3);
    grid.setActiveRow(3);
    QCOMPARE(spy.count(), 1); // no change, no notice
    grid.setActiveRow(99);
    QCOMPARE(grid.activeRow(), 0);
    QCOMPARE(spy.last().at(0).toInt(), 0);

    grid.setActiveRow(2);
    grid.clearAll();
    QCOMPARE(grid.activeRow(), 0);
    QCOMPARE(spy.last().at(0).toInt(), 0);
}

void TestSpreadGrid::clickReportsGridNumbers() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setAllRows(numberedRows(3, 3));
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicked(&grid, &SpreadGrid::cellClicked);
    QSignalSpy active(&grid, &SpreadGrid::activeRowChanged);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 3));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.last().at(0).toInt(), 2);
    QCOMPARE(clicked.last().at(1).toInt(), 3);
    QCOMPARE(grid.activeRow(), 2);
    QCOMPARE(grid.activeCol(), 3);
    QCOMPARE(active.last().at(0).toInt(), 2);

    // A heading click reports row 0.
    QHeaderView* header = grid.horizontalHeader();
    const int x = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(clicked.last().at(0).toInt(), 0);
    QCOMPARE(clicked.last().at(1).toInt(), 1);
}

void TestSpreadGrid::widthsInCharacterUnits() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    const QFontMetrics fm = grid.fontMetrics();
    const int digit = fm.horizontalAdvance(QLatin1Char('0'));
    grid.setColumnWidthChars(3, 10);
    const int margin = grid.columnWidth(2) - 10 * digit;
    QVERIFY(margin >= 0);

    // The pending list gives its 13-digit document numbers 13.75 units: they must fit whole.
    grid.setColumnWidthChars(1, 13.75);
    QVERIFY(grid.columnWidth(0) >= fm.horizontalAdvance(QStringLiteral("2026120700001")) + margin);
    QCOMPARE(grid.columnWidth(0), qRound(13.75 * digit) + margin);
    QVERIFY(qAbs(grid.columnWidthChars(1) - 13.75) < 0.1);
    grid.setColumnWidthChars(2, 4.5);
    QCOMPARE(grid.columnWidth(1), qRound(4.5 * digit) + margin);

    grid.setColumnWidthChars(0, 6);
    QCOMPARE(grid.verticalHeader()->width(), 6 * digit + margin);
    grid.setMaxRows(200);
    grid.setColumnWidthChars(0, 1); // narrower than the numbers want: widened to show them whole
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QVERIFY(grid.verticalHeader()->width() > fm.horizontalAdvance(QStringLiteral("200")));
    for (const int rows : {55248, 123456}) {
        grid.setAllRows(QVector<QStringList>(rows));
        QVERIFY(grid.verticalHeader()->width() >= grid.verticalHeader()->sizeHint().width());
        QVERIFY(grid.verticalHeader()->width() > fm.horizontalAdvance(QString::number(rows)));
    }
    grid.setMaxRows(3); // fewer rows keep the width as set
    QCOMPARE(grid.verticalHeader()->width(), qMax(digit + margin, grid.verticalHeader()->sizeHint().width()));
    grid.setColumnWidthChars(9, 5); // no such column
    grid.setColumnWidthChars(3, -1);
    QCOMPARE(grid.columnWidth(2), 10 * digit + margin);
}

void TestSpreadGrid::hiddenColumns() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setColumnHidden(2, true);
    QVERIFY(grid.isColumnHidden(2));
    QVERIFY(!grid.isColumnHidden(1));
    QVERIFY(grid.QTableView::isColumnHidden(1)); // view column of grid column 2
    grid.setColumnHidden(2, false);
    QVERIFY(!grid.isColumnHidden(2));
    grid.setColumnHidden(0, true);
    QVERIFY(grid.isColumnHidden(0));
    grid.setColumnHidden(7, true);
    QVERIFY(!grid.isColumnHidden(7));
}

void TestSpreadGrid::backgroundsAndClearAll() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setMaxRows(2);
    grid.setColumnHeader(1, QStringLiteral("单号"));
    grid.setCellBackground(2, 2, QColor(255, 0, 0));
    QCOMPARE(grid.cellBackground(2, 2), QColor(255, 0, 0));
    QCOMPARE(grid.model()->index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QVERIFY(!grid.cellBackground(1, 1).isValid());
    grid.setBackColor(QColor(1, 2, 3));
    QCOMPARE(grid.model()->index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(1, 2, 3));
    QCOMPARE(grid.model()->index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));

    grid.clearAll();
    QCOMPARE(grid.maxRows(), 0);
    QCOMPARE(grid.maxCols(), 2);
    QCOMPARE(grid.text(0, 1), QStringLiteral("单号"));
    grid.setMaxRows(2);
    QVERIFY(!grid.cellBackground(2, 2).isValid());
}

void TestSpreadGrid::refreshWithSameShapeKeepsView() {
    SpreadGrid grid;
    grid.setMaxCols(6);
    grid.resize(400, 200);
    grid.setAllRows(numberedRows(500, 6));
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setActiveRow(250);
    grid.scrollTo(grid.model()->index(249, 0), QAbstractItemView::PositionAtTop);
    grid.setCellBackground(250, 1, Qt::green);
    const int scroll = grid.verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    QSignalSpy reset(grid.model(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(grid.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy active(&grid, &SpreadGrid::activeRowChanged);
    QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
    grid.setAllRows(numberedRows(500, 6, QStringLiteral("n")));
    QCoreApplication::processEvents();

    QCOMPARE(grid.text(250, 6), QStringLiteral("n250c6"));
    QCOMPARE(reset.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(active.count(), 0);
    QCOMPARE(grid.activeRow(), 250);
    QVERIFY(grid.selectionModel()->isRowSelected(249, {}));
    QCOMPARE(grid.verticalScrollBar()->value(), scroll);
    QCOMPARE(grid.cellBackground(250, 1), QColor(Qt::green));

    // The same rows again are not redrawn; one changed row is the only one told.
    QVector<QStringList> rows = numberedRows(500, 6, QStringLiteral("n"));
    grid.setAllRows(rows);
    QCOMPARE(changed.count(), 1);
    rows[300][2] = QStringLiteral("x");
    grid.setAllRows(rows);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).toModelIndex().row(), 300);
    QCOMPARE(changed.last().at(1).toModelIndex().row(), 300);
    QCOMPARE(grid.text(301, 3), QStringLiteral("x"));
}

void TestSpreadGrid::refreshWithFewerRowsDropsOnlyTheRest() {
    SpreadGrid grid;
    grid.setMaxCols(2);
    grid.setAllRows(numberedRows(10, 2));
    grid.setActiveRow(3);
    grid.setCellBackground(9, 1, Qt::red);
    grid.setAllRows(numberedRows(8, 2, QStringLiteral("n")));
    QCOMPARE(grid.maxRows(), 8);
    QCOMPARE(grid.activeRow(), 3);
    QCOMPARE(grid.text(8, 2), QStringLiteral("n8c2"));
    grid.setAllRows(numberedRows(10, 2, QStringLiteral("m")));
    QCOMPARE(grid.text(10, 2), QStringLiteral("m10c2"));
    QVERIFY(!grid.cellBackground(9, 1).isValid()); // the dropped row's colour went with it
}

void TestSpreadGrid::cellWritesReachTheViewInOneNotice() {
    SpreadGrid grid;
    grid.setMaxCols(3);
    grid.setMaxRows(100);
    QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
    for (int r = 10; r <= 20; ++r)
        for (int c = 2; c <= 3; ++c)
            grid.setText(r, c, QString::number(r * c));
    QCOMPARE(grid.text(20, 3), QStringLiteral("60")); // readable at once
    QCOMPARE(grid.model()->index(19, 2).data().toString(), QStringLiteral("60"));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), grid.model()->index(9, 1));
    QCOMPARE(changed.first().at(1).toModelIndex(), grid.model()->index(19, 2));

    // A pending notice never names rows that are gone.
    changed.clear();
    grid.setText(100, 3, QStringLiteral("x"));
    grid.setMaxRows(50);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(1).toModelIndex().row(), 99);
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 1);
    for (const QList<QVariant>& notice : changed)
        QVERIFY(notice.at(1).toModelIndex().isValid());
}

QTEST_MAIN(TestSpreadGrid)
#include "tst_SpreadGrid.moc"
