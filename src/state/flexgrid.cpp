#include "flexgrid.h"

#include "base/error.h"

#include <QColor>

namespace corvane {

namespace {
const QString kEmpty;
}

QColor windowsColour(int colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

FlexGrid::FlexGrid(int rows, int cols, QObject* parent)
    : QAbstractTableModel(parent), m_rows(rows), m_cols(cols),
      m_cells(static_cast<size_t>(rows) * static_cast<size_t>(cols))
{
}

void FlexGrid::checkCell(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        throw Error(errnum::InvalidPropertyValue,
                    QStringLiteral("Subscript out of range (row %1, column %2)").arg(row).arg(col));
}

FlexGrid::Cell& FlexGrid::cell(int row, int col)
{
    checkCell(row, col);
    return m_cells[static_cast<size_t>(row) * m_cols + col];
}

const FlexGrid::Cell& FlexGrid::cell(int row, int col) const
{
    checkCell(row, col);
    return m_cells[static_cast<size_t>(row) * m_cols + col];
}

void FlexGrid::setRows(int rows)
{
    if (rows < 1) throw Error(errnum::InvalidPropertyValue, QStringLiteral("Invalid row count"));
    if (rows == m_rows) return;
    const bool notify = m_visible;
    if (rows < m_rows) {
        if (notify) beginRemoveRows({}, rows - 1, m_rows - 2);
        m_cells.resize(static_cast<size_t>(rows) * m_cols);
        m_rows = rows;
        if (notify) endRemoveRows();
    } else {
        if (notify) beginInsertRows({}, m_rows - 1, rows - 2);
        m_cells.resize(static_cast<size_t>(rows) * m_cols);
        m_rows = rows;
        if (notify) endInsertRows();
    }
    m_row = std::min(m_row, m_rows - 1);
}

const QString& FlexGrid::TextMatrix(int row, int col) const
{
    return cell(row, col).text;
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    cell(row, col).text = text;
    cellChanged(row, col);
}

void FlexGrid::setRow(int row)
{
    checkCell(row, 0);
    m_row = row;
}

void FlexGrid::setCol(int col)
{
    checkCell(0, col);
    m_col = col;
}

int FlexGrid::CellBackColor() const
{
    return cell(m_row, m_col).colour;
}

void FlexGrid::setCellBackColor(int colour)
{
    cell(m_row, m_col).colour = colour;
    cellChanged(m_row, m_col);
}

int FlexGrid::cellColour(int row, int col) const
{
    return cell(row, col).colour;
}

void FlexGrid::cellChanged(int row, int col)
{
    if (row == 0) {
        if (m_visible) emit headerDataChanged(Qt::Horizontal, col, col);
    } else if (m_visible) {
        const QModelIndex i = index(row - 1, col);
        emit dataChanged(i, i);
    }
}

void FlexGrid::setFormatString(const QString& format)
{
    m_headerFormats = format.split(QLatin1Char('|'));
    if (m_headerFormats.size() > m_cols) m_headerFormats = m_headerFormats.mid(0, m_cols);
    for (int c = 0; c < m_headerFormats.size(); ++c) {
        QString text = m_headerFormats[c];
        if (text.startsWith(QLatin1Char('<'))) text.remove(0, 1);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        cell(0, c).text = text;
    }
    if (m_visible) emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
}

void FlexGrid::setVisible(bool visible)
{
    if (visible == m_visible) return;
    if (visible) {
        // Whatever changed while hidden reaches the view in one piece.
        beginResetModel();
        m_visible = true;
        endResetModel();
    } else {
        m_visible = false;
    }
    emit visibilityChanged(m_visible);
}

int FlexGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows - 1;
}

int FlexGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexGrid::data(const QModelIndex& index, int role) const
{
    const int row = index.row() + 1;
    if (!index.isValid() || row >= m_rows || index.column() >= m_cols) return {};
    const Cell& c = m_cells[static_cast<size_t>(row) * m_cols + index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return c.text;
    case Qt::ToolTipRole:
        // The whole name, for a column too narrow to show it.
        return c.text.isEmpty() ? QVariant() : QVariant(c.text);
    case Qt::BackgroundRole:
        return c.colour == colour::None ? QVariant() : QVariant(windowsColour(c.colour));
    default:
        return {};
    }
}

QVariant FlexGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_cols)
        return m_cells[static_cast<size_t>(section)].text;
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace corvane
