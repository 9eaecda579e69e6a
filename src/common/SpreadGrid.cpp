#include "common/SpreadGrid.h"

#include "common/SpreadGridModel.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

SpreadGrid::SpreadGrid(QWidget* parent) : QTableView(parent), m_model(new SpreadGridModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    // Tab leaves the grid for the next control; the arrow keys move within it.
    setTabKeyNavigation(false);

    // Fixed row heights: a grid of tens of thousands of rows must not measure every row.
    const int rowHeight = fontMetrics().height() + 6;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight / 2);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultSectionSize(charWidth() * 9);

    m_shadow = horizontalHeader()->palette().color(QPalette::Button);
    m_selBack = palette().color(QPalette::Highlight);
    m_selFore = palette().color(QPalette::HighlightedText);
    m_grayArea = palette().color(QPalette::Base);

    // The corner above the row numbers shows column 0's heading. It is the view's only
    // button child at this point; later lookups would also meet cell editors.
    m_corner = findChild<QAbstractButton*>();
    if (m_corner)
        m_corner->installEventFilter(this);

    connect(this, &QAbstractItemView::clicked, this, &SpreadGrid::onClicked);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &SpreadGrid::onCurrentChanged);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &SpreadGrid::onHeaderClicked);
    connect(m_model, &SpreadGridModel::userEdited, this, &SpreadGrid::onUserEdit);
    // Row numbers of more digits than the row-number column was made for widen it.
    connect(m_model, &QAbstractItemModel::modelReset, this, &SpreadGrid::fitRowHeader);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &SpreadGrid::fitRowHeader);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &SpreadGrid::fitRowHeader);
}

void SpreadGrid::fitRowHeader() {
    if (m_rowHeaderPx < 0)
        return; // the header sizes itself
    verticalHeader()->setFixedWidth(qMax(m_rowHeaderPx, verticalHeader()->sizeHint().width()));
}

SpreadGrid::~SpreadGrid() = default;

int SpreadGrid::maxRows() const {
    return m_model->rows();
}

void SpreadGrid::setMaxRows(int n) {
    m_model->setRows(n);
}

int SpreadGrid::maxCols() const {
    return m_model->cols();
}

void SpreadGrid::setMaxCols(int n) {
    n = qMax(0, n);
    m_model->setCols(n);
    if (m_model->checkColumn() > n)
        m_model->setCheckColumn(0);
}

void SpreadGrid::setColumnFormat(int col, const CellFormat& format) {
    if (col < 0)
        return;
    if (col >= m_formats.size())
        m_formats.resize(col + 1);
    m_formats[col] = format;
}

CellFormat SpreadGrid::columnFormat(int col) const {
    return m_formats.value(col);
}

QString SpreadGrid::text(int row, int col) const {
    if (col == 0 && row >= 1)
        return row <= maxRows() ? QString::number(row) : QString();
    return m_model->text(row, col);
}

void SpreadGrid::setText(int row, int col, const QString& text) {
    if (row == 0)
        setColumnHeader(col, text);
    else
        m_model->setText(row, col, text);
}

void SpreadGrid::setColumnHeader(int col, const QString& text) {
    m_model->setHeader(col, text);
    if (col == 0 && m_corner)
        m_corner->update();
}

QString SpreadGrid::columnHeader(int col) const {
    return m_model->header(col);
}

void SpreadGrid::setRowValues(int row, const QStringList& values) {
    m_model->setRowValues(row, values);
}

void SpreadGrid::setAllRows(QVector<QStringList> rows) {
    m_model->setAllRows(std::move(rows));
}

void SpreadGrid::setAllTextRows(QVector<TextRow> rows) {
    m_model->setAllTextRows(std::move(rows));
}

void SpreadGrid::insertRows(int beforeRow, int count) {
    m_model->insertGridRows(beforeRow, count);
}

void SpreadGrid::deleteRows(int row, int count) {
    m_model->removeGridRows(row, count);
}

int SpreadGrid::appendRow() {
    m_model->setRows(maxRows() + 1);
    return maxRows();
}

int SpreadGrid::activeRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

int SpreadGrid::activeCol() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() + 1 : 0;
}

void SpreadGrid::setActiveRow(int row) {
    if (row < 1 || row > maxRows() || maxCols() < 1) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    const int col = qMax(0, currentIndex().column());
    setCurrentIndex(m_model->index(row - 1, col));
}

void SpreadGrid::joinCells(int row, int col, int rows, int cols) {
    if (row < 1 || row > maxRows() || col < 1 || col > maxCols())
        return;
    rows = qBound(1, rows, maxRows() - row + 1);
    cols = qBound(1, cols, maxCols() - col + 1);
    if (rows == 1 && cols == 1 && rowSpan(row - 1, col - 1) == 1 && columnSpan(row - 1, col - 1) == 1)
        return;
    setSpan(row - 1, col - 1, rows, cols);
}

void SpreadGrid::setCellStatic(int row, int col, Qt::Alignment align) {
    auto look = m_model->look(row, col);
    look.isStatic = true;
    look.align = align;
    m_model->setLook(row, col, look);
}

void SpreadGrid::setCellBackground(int row, int col, const QColor& c) {
    auto look = m_model->look(row, col);
    look.back = c;
    m_model->setLook(row, col, look);
}

QColor SpreadGrid::cellBackground(int row, int col) const {
    return m_model->look(row, col).back;
}

void SpreadGrid::setCellForeground(int row, int col, const QColor& c) {
    auto look = m_model->look(row, col);
    look.fore = c;
    m_model->setLook(row, col, look);
}

void SpreadGrid::setCheckColumn(int col) {
    m_model->setCheckColumn(col >= 1 && col <= maxCols() ? col : 0);
    viewport()->update();
}

int SpreadGrid::checkColumn() const {
    return m_model->checkColumn();
}

bool SpreadGrid::isChecked(int row) const {
    return checkColumn() > 0 && text(row, checkColumn()) == QLatin1String("1");
}

void SpreadGrid::setColumnWidthChars(int col, double chars) {
    if (col < 0 || col > maxCols() || chars < 0)
        return;
    const int px = qRound(chars * charWidth()) + cellTextMargin();
    if (col == 0) {
        m_rowHeaderPx = px;
        fitRowHeader();
    } else
        setColumnWidth(col - 1, px);
}

void SpreadGrid::fitColumnToText(int col) {
    if (col < 1 || col > maxCols())
        return;
    QHeaderView* header = horizontalHeader();
    QStyleOptionHeader heading;
    heading.initFrom(header);
    heading.section = col - 1;
    heading.text = columnHeader(col);
    heading.fontMetrics = header->fontMetrics();
    int needed =
        header->style()->sizeFromContents(QStyle::CT_HeaderSection, &heading, QSize(), header).width();
    const QFontMetrics cells = fontMetrics();
    const int room = cellTextMargin() + (showGrid() ? 1 : 0);
    for (int row = 1; row <= maxRows(); ++row) {
        if (columnSpan(row - 1, col - 1) == 1)
            needed = qMax(needed, cells.horizontalAdvance(text(row, col)) + room);
    }
    if (needed > columnWidth(col - 1))
        setColumnWidth(col - 1, needed);
}

double SpreadGrid::columnWidthChars(int col) const {
    if (col < 0 || col > maxCols())
        return 0;
    const int px = col == 0 ? verticalHeader()->width() : columnWidth(col - 1);
    return double(px - cellTextMargin()) / charWidth();
}

void SpreadGrid::setColumnHidden(int col, bool hidden) {
    if (col == 0)
        verticalHeader()->setVisible(!hidden);
    else if (col >= 1 && col <= maxCols())
        QTableView::setColumnHidden(col - 1, hidden);
}

bool SpreadGrid::isColumnHidden(int col) const {
    if (col == 0)
        return verticalHeader()->isHidden();
    return col >= 1 && col <= maxCols() && QTableView::isColumnHidden(col - 1);
}

void SpreadGrid::setColumnEditable(int col, bool editable) {
    m_model->setColumnEditable(col, editable);
}

bool SpreadGrid::isColumnEditable(int col) const {
    return m_model->isColumnEditable(col);
}

void SpreadGrid::setColumnAlignment(int col, Qt::Alignment align) {
    m_model->setColumnAlignment(col, align);
}

void SpreadGrid::clearAll() {
    const bool hadActive = activeRow() != 0;
    clearSpans();
    m_model->clearAll();
    if (hadActive || m_lastActiveRow != 0) {
        m_lastActiveRow = 0;
        emit activeRowChanged(0);
    }
}

void SpreadGrid::setBackColor(const QColor& c) {
    m_model->setBackColor(c);
}

QColor SpreadGrid::backColor() const {
    return m_model->backColor();
}

void SpreadGrid::setGrayAreaBackColor(const QColor& c) {
    m_grayArea = c;
    applyPalette();
}

QColor SpreadGrid::grayAreaBackColor() const {
    return m_grayArea;
}

void SpreadGrid::setShadowColor(const QColor& c) {
    m_shadow = c;
    applyPalette();
}

QColor SpreadGrid::shadowColor() const {
    return m_shadow;
}

void SpreadGrid::setSelBackColor(const QColor& c) {
    m_selBack = c;
    applyPalette();
}

QColor SpreadGrid::selBackColor() const {
    return m_selBack;
}

void SpreadGrid::setSelForeColor(const QColor& c) {
    m_selFore = c;
    applyPalette();
}

QColor SpreadGrid::selForeColor() const {
    return m_selFore;
}

void SpreadGrid::setRedraw(bool on) {
    viewport()->setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}

void SpreadGrid::keyPressEvent(QKeyEvent* event) {
    const QModelIndex i = currentIndex();
    if (event->key() == Qt::Key_Space && i.isValid() && checkColumn() > 0) {
        // Space ticks the active row's box, as a click on it does.
        const int row = i.row() + 1;
        const QModelIndex box = m_model->index(i.row(), checkColumn() - 1);
        m_model->setData(box, isChecked(row) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && i.isValid() &&
        state() != QAbstractItemView::EditingState &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        isSignalConnected(QMetaMethod::fromSignal(&SpreadGrid::rowEntered))) {
        // Only a window that opens rows takes Enter; elsewhere it still reaches the dialog.
        emit rowEntered(i.row() + 1);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool SpreadGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QAbstractButton* corner = m_corner;
        QStyleOptionHeader opt;
        opt.initFrom(corner);
        opt.rect = corner->rect();
        opt.position = QStyleOptionHeader::OnlyOneSection;
        opt.text = m_model->header(0);
        opt.textAlignment = Qt::AlignCenter;
        opt.palette.setColor(QPalette::Button, m_shadow);
        opt.palette.setColor(QPalette::Window, m_shadow);
        QPainter painter(corner);
        corner->style()->drawControl(QStyle::CE_Header, &opt, &painter, corner);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void SpreadGrid::onClicked(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    if (col == checkColumn())
        m_model->setData(index, isChecked(row) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    emit cellClicked(row, col);
}

void SpreadGrid::onCurrentChanged(const QModelIndex& current, const QModelIndex&) {
    const int row = current.isValid() ? current.row() + 1 : 0;
    if (row == m_lastActiveRow)
        return;
    m_lastActiveRow = row;
    emit activeRowChanged(row);
}

void SpreadGrid::onHeaderClicked(int section) {
    emit cellClicked(0, section + 1);
}

void SpreadGrid::onUserEdit(int row, int col) {
    emit cellChanged(row, col);
}

void SpreadGrid::applyPalette() {
    QPalette p = palette();
    p.setColor(QPalette::Base, m_grayArea);
    p.setColor(QPalette::Highlight, m_selBack);
    p.setColor(QPalette::HighlightedText, m_selFore);
    setPalette(p);
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        QPalette hp = h->palette();
        hp.setColor(QPalette::Button, m_shadow);
        hp.setColor(QPalette::Window, m_shadow);
        h->setPalette(hp);
    }
    if (m_corner)
        m_corner->update();
}

int SpreadGrid::charWidth() const {
    // A character unit is the width of a digit, so a 13-digit document number fits in
    // the 13.75 units its column is given.
    return qMax(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

int SpreadGrid::cellTextMargin() const {
    // The view keeps a small margin on both sides of a cell's text.
    const int m = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return 2 * m;
}
