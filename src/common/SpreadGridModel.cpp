#include "common/SpreadGridModel.h"

#include <QBrush>

#include <utility>

SpreadGridModel::SpreadGridModel(QObject* parent) : QAbstractTableModel(parent) {
    m_headers.append(QString());
}

int SpreadGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows();
}

int SpreadGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

bool SpreadGridModel::isTickCell(const CellLook* cellLook, int col) const {
    return col == m_checkCol && !(cellLook && cellLook->isStatic);
}

QVariant SpreadGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int col = index.column() + 1;
    // The view asks for many roles per painted cell: the row is looked up once here.
    const Row& r = m_rows.at(index.row());
    const CellLook* look = index.column() < r.looks.size() ? &r.looks.at(index.column()) : nullptr;
    const auto cellText = [&r, &index] { return r.texts.cell(index.column()); };
    switch (role) {
    case Qt::DisplayRole:
        if (isTickCell(look, col))
            return {};
        return cellText();
    case Qt::EditRole:
        return cellText();
    case Qt::CheckStateRole:
        if (!isTickCell(look, col))
            return {};
        return r.texts.at(index.column()) == QLatin1String("1") ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
        if (look && look->back.isValid())
            return QBrush(look->back);
        return m_backBrush; // shared: a painted cell makes no brush of its own
    case Qt::ForegroundRole:
        if (look && look->fore.isValid())
            return QBrush(look->fore);
        return {};
    case Qt::TextAlignmentRole:
        if (look && look->align)
            return int(look->align);
        if (index.column() < m_colAlign.size() && m_colAlign.at(index.column()))
            return int(m_colAlign.at(index.column()));
        return {}; // the view's own: left, centred vertically
    default:
        return {};
    }
}

bool SpreadGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid())
        return false;
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    QString newText;
    if (role == Qt::CheckStateRole && col == m_checkCol) {
        // A static cell of the tick column (the totals row's caption) is text, never a box.
        if (look(row, col).isStatic)
            return false;
        newText = value.toInt() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0");
    } else if (role == Qt::EditRole && (flags(index) & Qt::ItemIsEditable))
        newText = value.toString();
    else
        return false;
    if (newText == text(row, col))
        return true;
    setText(row, col, newText);
    emit userEdited(row, col);
    return true;
}

Qt::ItemFlags SpreadGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int col = index.column() + 1;
    if (col == m_checkCol)
        return f; // ticking is done by the grid on a click, not by the delegate
    if (isColumnEditable(col) && !look(index.row() + 1, col).isStatic)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant SpreadGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Vertical)
            return QString::number(section + 1);
        return header(section + 1);
    }
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

void SpreadGridModel::setRows(int n) {
    n = qMax(0, n);
    const int old = rows();
    if (n > old) {
        flushChanges();
        beginInsertRows({}, old, n - 1);
        m_rows.resize(n);
        endInsertRows();
    } else if (n < old) {
        flushChanges();
        beginRemoveRows({}, n, old - 1);
        m_rows.resize(n);
        endRemoveRows();
    }
}

void SpreadGridModel::setCols(int n) {
    n = qMax(0, n);
    const int old = m_cols;
    if (n > old) {
        flushChanges();
        beginInsertColumns({}, old, n - 1);
        m_cols = n;
        endInsertColumns();
    } else if (n < old) {
        flushChanges();
        beginRemoveColumns({}, n, old - 1);
        m_cols = n;
        // Texts beyond the last column are dropped so growing again shows empty cells.
        for (Row& r : m_rows) {
            r.texts.truncate(n);
            if (r.looks.size() > n)
                r.looks.resize(n);
        }
        if (m_headers.size() > n + 1)
            m_headers.resize(n + 1);
        endRemoveColumns();
    }
    m_editable.resize(n);
    m_colAlign.resize(n);
}

QString SpreadGridModel::text(int row, int col) const {
    if (row == 0)
        return header(col);
    if (!inGrid(row, col))
        return {};
    return m_rows.at(row - 1).texts.cell(col - 1);
}

void SpreadGridModel::setText(int row, int col, const QString& text) {
    if (row == 0) {
        setHeader(col, text);
        return;
    }
    if (!inGrid(row, col))
        return;
    m_rows[row - 1].texts.set(col - 1, text);
    noteChanged(row - 1, col - 1);
}

QString SpreadGridModel::header(int col) const {
    return col >= 0 && col < m_headers.size() ? m_headers.at(col) : QString();
}

void SpreadGridModel::setHeader(int col, const QString& text) {
    if (col < 0)
        return;
    if (m_headers.size() <= col)
        m_headers.resize(col + 1);
    m_headers[col] = text;
    if (col >= 1 && col <= m_cols)
        emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
}

void SpreadGridModel::setRowValues(int row, const QStringList& values) {
    if (row < 1 || row > rows())
        return;
    TextRow t(values.size() > m_cols ? values.mid(0, m_cols) : values);
    m_rows[row - 1].texts = std::move(t);
    emitRowChanged(row);
}

void SpreadGridModel::setAllRows(QVector<QStringList> rows) {
    // Each row keeps the list it was given, shared with the caller: no texts are copied on the
    // way in. `rows` is only read: it is often shared with the caller, and writing to it would
    // copy it.
    replaceRows(int(rows.size()), [&rows](int i, TextRow& texts) { texts.share(rows.at(i)); });
}

void SpreadGridModel::setAllTextRows(QVector<TextRow> rows) {
    replaceRows(int(rows.size()), [&rows](int i, TextRow& texts) { texts = std::move(rows[i]); });
}

template <typename FillRow> void SpreadGridModel::replaceRows(int n, FillRow&& fill) {
    const int old = this->rows();
    const auto fitted = [&fill, this](int i, TextRow& texts) {
        fill(i, texts);
        texts.truncate(m_cols);
    };
    // Rows that stay keep their cell looks; only the texts are replaced, and the view gets
    // change notices instead of a reset so it keeps scroll position and selection.
    if (n < old) {
        flushChanges();
        beginRemoveRows({}, n, old - 1);
        m_rows.resize(n);
        endRemoveRows();
    }
    // Only the rows whose texts changed are told to the view: an unchanged list is not redrawn.
    const int kept = qMin(n, old);
    int firstChanged = -1;
    int lastChanged = -1;
    TextRow texts;
    for (int i = 0; i < kept; ++i) {
        fitted(i, texts);
        if (m_rows.at(i).texts == texts)
            continue; // the next row reuses the buffer
        if (firstChanged < 0)
            firstChanged = i;
        lastChanged = i;
        m_rows[i].texts = std::exchange(texts, TextRow());
    }
    if (n > old) {
        flushChanges();
        // An empty grid takes its rows as a new model: the view sets up the row heading once
        // instead of making room for tens of thousands of inserted rows. Nothing is selected in
        // an empty grid and the columns keep their widths, so the two ways show the same.
        const bool fresh = old == 0;
        if (fresh)
            beginResetModel();
        else
            beginInsertRows({}, old, n - 1);
        m_rows.reserve(n);
        for (int i = old; i < n; ++i)
            fitted(i, m_rows.emplaceBack().texts);
        if (fresh)
            endResetModel();
        else
            endInsertRows();
    }
    if (firstChanged >= 0 && m_cols > 0)
        emit dataChanged(index(firstChanged, 0), index(lastChanged, m_cols - 1));
}

void SpreadGridModel::insertGridRows(int beforeRow, int count) {
    if (count <= 0)
        return;
    beforeRow = qBound(1, beforeRow, rows() + 1);
    flushChanges();
    beginInsertRows({}, beforeRow - 1, beforeRow - 1 + count - 1);
    m_rows.insert(beforeRow - 1, count, Row{});
    endInsertRows();
}

void SpreadGridModel::removeGridRows(int row, int count) {
    if (row < 1 || row > rows() || count <= 0)
        return;
    count = qMin(count, rows() - row + 1);
    flushChanges();
    beginRemoveRows({}, row - 1, row - 1 + count - 1);
    m_rows.remove(row - 1, count);
    endRemoveRows();
}

void SpreadGridModel::clearAll() {
    flushChanges();
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

SpreadGridModel::CellLook SpreadGridModel::look(int row, int col) const {
    if (!inGrid(row, col))
        return {};
    const QVector<CellLook>& l = m_rows.at(row - 1).looks;
    return col - 1 < l.size() ? l.at(col - 1) : CellLook{};
}

void SpreadGridModel::setLook(int row, int col, const CellLook& look) {
    if (!inGrid(row, col))
        return;
    QVector<CellLook>& l = m_rows[row - 1].looks;
    if (l.size() < col)
        l.resize(col);
    l[col - 1] = look;
    const QModelIndex i = index(row - 1, col - 1);
    emit dataChanged(i, i);
}

void SpreadGridModel::setColumnEditable(int col, bool editable) {
    if (col < 1 || col > m_cols)
        return;
    m_editable[col - 1] = editable;
}

bool SpreadGridModel::isColumnEditable(int col) const {
    return col >= 1 && col <= m_editable.size() && m_editable.at(col - 1);
}

void SpreadGridModel::setColumnAlignment(int col, Qt::Alignment align) {
    if (col < 1 || col > m_cols)
        return;
    m_colAlign[col - 1] = align;
    if (rows() > 0)
        emit dataChanged(index(0, col - 1), index(rows() - 1, col - 1));
}

void SpreadGridModel::setBackColor(const QColor& c) {
    m_back = c;
    m_backBrush = QBrush(c);
    if (rows() > 0 && m_cols > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, m_cols - 1), {Qt::BackgroundRole});
}

void SpreadGridModel::emitRowChanged(int row) {
    if (m_cols > 0)
        emit dataChanged(index(row - 1, 0), index(row - 1, m_cols - 1));
}

void SpreadGridModel::noteChanged(int row, int col) {
    if (m_dirtyBottom < m_dirtyTop) {
        m_dirtyTop = m_dirtyBottom = row;
        m_dirtyLeft = m_dirtyRight = col;
    } else {
        m_dirtyTop = qMin(m_dirtyTop, row);
        m_dirtyBottom = qMax(m_dirtyBottom, row);
        m_dirtyLeft = qMin(m_dirtyLeft, col);
        m_dirtyRight = qMax(m_dirtyRight, col);
    }
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &SpreadGridModel::flushChanges, Qt::QueuedConnection);
    }
}

void SpreadGridModel::flushChanges() {
    m_flushQueued = false;
    if (m_dirtyBottom < m_dirtyTop)
        return;
    const int bottom = qMin(m_dirtyBottom, rows() - 1);
    const int right = qMin(m_dirtyRight, m_cols - 1);
    const int top = m_dirtyTop;
    const int left = m_dirtyLeft;
    m_dirtyBottom = -1;
    m_dirtyTop = 0;
    if (top <= bottom && left <= right)
        emit dataChanged(index(top, left), index(bottom, right));
}
