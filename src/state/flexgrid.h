#pragma once

#include "controls.h"

#include <QAbstractTableModel>
#include <vector>

namespace corvane {

// FlexDb: a grid whose row 0 is the fixed header row. Rows and columns are
// counted as the program counts them (row 0 = header); the Qt model shows the
// data rows 1.. as its rows 0.. and row 0 as the horizontal header.
//
// While the grid is hidden, changes are not announced row by row: the view is
// told once, with a reset, when the grid is shown again. A comparison run hides
// the grid and appends tens of thousands of rows, so this keeps it fast.
class FlexGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    FlexGrid(int rows, int cols, QObject* parent = nullptr);

    int Rows() const { return m_rows; }
    void setRows(int rows);
    int Cols() const { return m_cols; }

    const QString& TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);

    // Current cell, as Row and Col select it.
    int Row() const { return m_row; }
    void setRow(int row);
    int Col() const { return m_col; }
    void setCol(int col);
    // Colour of the current cell; colour::None when it has none.
    int CellBackColor() const;
    void setCellBackColor(int colour);

    int cellColour(int row, int col) const;

    // Header texts and widths from a format string: "|" separates columns,
    // a leading "<" left-aligns one.
    void setFormatString(const QString& format);
    const QStringList& headerFormats() const { return m_headerFormats; }

    bool visible() const { return m_visible; }
    void setVisible(bool visible);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void visibilityChanged(bool visible);

private:
    struct Cell
    {
        QString text;
        int colour = colour::None;
    };
    Cell& cell(int row, int col);
    const Cell& cell(int row, int col) const;
    void checkCell(int row, int col) const;
    void cellChanged(int row, int col);

    int m_rows;
    int m_cols;
    int m_row = 1;
    int m_col = 1;
    bool m_visible = true;
    std::vector<Cell> m_cells; // row-major, m_rows * m_cols
    QStringList m_headerFormats;
};

// Qt colour of a Windows colour number.
QColor windowsColour(int colour);

} // namespace corvane
