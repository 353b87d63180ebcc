#pragma once

#include <QTableView>

namespace corvane {
class FlexGrid;
}

namespace corvane::gui {

// FlexDb on screen: the FlexGrid model in a table view with the grid's fixed
// header row and fixed first column, column widths taken from the format
// string (the user may change them) and one uniform row height, so tens of
// thousands of rows scroll without measuring a single cell.
class FlexDbView : public QTableView
{
    Q_OBJECT
public:
    explicit FlexDbView(FlexGrid& grid, QWidget* parent = nullptr);

    // Width in pixels of a column whose format entry is the given text: the
    // text without its alignment mark, trailing spaces included.
    int formatWidth(const QString& formatEntry) const;
    int uniformRowHeight() const { return m_rowHeight; }

private:
    void applyColumnWidths();

    FlexGrid& m_grid;
    int m_rowHeight;
    QList<int> m_widths; // kept across a reset of the model
};

} // namespace corvane::gui
