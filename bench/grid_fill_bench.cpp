// Fills the list grid, a plain QTableView over a plain model and a QTableWidget with the same
// 32,767 rows of 6 text cells, lays them out on screen and prints the times side by side (in
// turns, after a warm-up). The goal holds the grid against the plain view.
#include "bench/BenchSupport.h"
#include "common/SpreadGrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTableWidget>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int kRows = 32767;
constexpr int kCols = 6;

QVector<QStringList> sampleRows() {
    QVector<QStringList> rows;
    rows.reserve(kRows);
    for (int r = 0; r < kRows; ++r) {
        rows.append({QStringLiteral("20100105%1").arg(r, 5, 10, QLatin1Char('0')), QStringLiteral("张三"),
                     QStringLiteral("门诊"), QStringLiteral("检验科"), QString::number(r % 97 * 1.5, 'f', 2),
                     QStringLiteral("2010-01-05 08:30:00")});
    }
    return rows;
}

void layOut(QWidget& w) {
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    w.repaint();
    QApplication::processEvents();
}

double fillSpreadGrid(const QVector<QStringList>& data) {
    QVector<QStringList> rows = data; // the caller's copy stays for the next run
    QElapsedTimer t;
    t.start();
    SpreadGrid grid;
    grid.setMaxCols(kCols);
    grid.setAllRows(std::move(rows));
    layOut(grid);
    const double ms = t.nsecsElapsed() / 1e6;
    if (grid.maxRows() != kRows || grid.text(kRows, 2) != QStringLiteral("张三"))
        qFatal("grid fill lost rows");
    return ms;
}

// The way a window fills a grid from a recordset, one cell at a time.
double fillSpreadGridByCell(const QVector<QStringList>& data) {
    QElapsedTimer t;
    t.start();
    SpreadGrid grid;
    grid.setMaxCols(kCols);
    grid.setMaxRows(kRows);
    for (int r = 0; r < kRows; ++r) {
        const QStringList& cells = data.at(r);
        for (int c = 0; c < kCols; ++c)
            grid.setText(r + 1, c + 1, cells.at(c));
    }
    layOut(grid);
    const double ms = t.nsecsElapsed() / 1e6;
    if (grid.text(kRows, 2) != QStringLiteral("张三"))
        qFatal("grid fill lost cells");
    return ms;
}

// The least a table of texts needs: the rows as given, each cell's text for the display role.
class PlainModel : public QAbstractTableModel {
public:
    explicit PlainModel(QVector<QStringList> rows) : m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kCols; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return m_rows.at(index.row()).at(index.column());
    }

private:
    QVector<QStringList> m_rows;
};

double fillPlainView(const QVector<QStringList>& data) {
    QVector<QStringList> rows = data; // as the grid's side: the rows handed over, then taken in
    QElapsedTimer t;
    t.start();
    QTableView view;
    PlainModel model(std::move(rows));
    view.setModel(&model);
    layOut(view);
    const double ms = t.nsecsElapsed() / 1e6;
    if (model.rowCount() != kRows || model.index(kRows - 1, 1).data().toString() != QStringLiteral("张三"))
        qFatal("plain view lost rows");
    return ms;
}

double fillTableWidget(const QVector<QStringList>& data) {
    QElapsedTimer t;
    t.start();
    QTableWidget table;
    table.setColumnCount(kCols);
    table.setRowCount(kRows);
    for (int r = 0; r < kRows; ++r) {
        const QStringList& cells = data.at(r);
        for (int c = 0; c < kCols; ++c)
            table.setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    layOut(table);
    const double ms = t.nsecsElapsed() / 1e6;
    if (table.rowCount() != kRows)
        qFatal("table fill lost rows");
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QVector<QStringList> data = sampleRows();
    const int warmup = 2;
    const int runs = 11;
    const auto side = [&](double (*fill)(const QVector<QStringList>&)) {
        return [&data, fill](int) { return fill(data) > 0; };
    };
    const bench::Pair plain = bench::alternate(warmup, runs, side(fillSpreadGrid), side(fillPlainView));
    const bench::Pair all = bench::alternate(warmup, runs, side(fillSpreadGrid), side(fillTableWidget));
    const bench::Pair byCell =
        bench::alternate(warmup, runs, side(fillSpreadGridByCell), side(fillTableWidget));
    bench::out() << "rows " << kRows << " x cols " << kCols << ", fill + layout\n";
    bench::reportGoal(QStringLiteral("grid_fill"),
                      QStringLiteral("list grid against a plain QTableView over a plain model"),
                      QStringLiteral("SpreadGrid (all rows at once)"),
                      QStringLiteral("QTableView + plain model"), plain, 2.0);
    bench::printSpread(QStringLiteral("SpreadGrid (all rows at once)"), all.a);
    bench::printSpread(QStringLiteral("QTableWidget"), all.b);
    bench::printSpread(QStringLiteral("SpreadGrid cell by cell"), byCell.a);
    bench::printSpread(QStringLiteral("QTableWidget"), byCell.b);
    const double ratio = all.a.median / all.b.median;
    bench::out() << "ratio all-at-once/table (median): " << QString::number(ratio, 'f', 3)
                 << (ratio <= 0.5 ? " (at most half)" : " (MORE than half)") << Qt::endl;
    return 0;
}
