#include "flexdbview.h"

#include "formfont.h"
#include "state/flexgrid.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <algorithm>

namespace corvane::gui {

namespace {

// The grid's first column is fixed: painted like the header unless the
// program gave the cell a colour of its own.
class FixedColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != 0) return;
        option->state &= ~QStyle::State_Selected;
        if (!index.data(Qt::BackgroundRole).isValid())
            option->backgroundBrush = option->palette.button();
    }
};

constexpr double kGridPoints = 8.25;
// The FlexGrid's own row height: 240 twips.
constexpr int kMinRowHeight = 16;
// Room the grid leaves between a cell's border and its text, both sides.
constexpr int kCellPadding = 6;

} // namespace

FlexDbView::FlexDbView(FlexGrid& grid, QWidget* parent) : QTableView(parent), m_grid(grid)
{
    setFont(formFont(kGridPoints));
    m_rowHeight = std::max(kMinRowHeight, fontMetrics().height() + 3);

    setModel(&grid);
    setItemDelegate(new FixedColumnDelegate(this));
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the next control of the window, not to the next cell.
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Uniform rows: the view never asks the model for a size hint.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(m_rowHeight);

    QHeaderView* header = horizontalHeader();
    // Long table and column names: the user may widen a column to read them.
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setFixedHeight(m_rowHeight);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    applyColumnWidths();
    // A reset (the grid shown again after a fill) would otherwise bring the
    // default widths back: the widths of before, the user's own included,
    // come back instead. A new format string brings its own widths.
    connect(&grid, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_widths.clear();
        for (int c = 0; c < model()->columnCount(); ++c)
            m_widths << columnWidth(c);
    });
    connect(&grid, &QAbstractItemModel::modelReset, this, [this] {
        if (m_widths.size() != model()->columnCount()) {
            applyColumnWidths();
            return;
        }
        for (int c = 0; c < m_widths.size(); ++c)
            setColumnWidth(c, m_widths.at(c));
    });
    connect(&grid, &QAbstractItemModel::headerDataChanged, this, &FlexDbView::applyColumnWidths);
    connect(&grid, &FlexGrid::visibilityChanged, this, &QWidget::setVisible);
    setVisible(grid.visible());
}

int FlexDbView::formatWidth(const QString& formatEntry) const
{
    QString text = formatEntry;
    if (!text.isEmpty() && QStringLiteral("<^>").contains(text.front())) text.remove(0, 1);
    return fontMetrics().horizontalAdvance(text) + kCellPadding;
}

void FlexDbView::applyColumnWidths()
{
    const QStringList& formats = m_grid.headerFormats();
    for (int c = 0; c < formats.size() && c < m_grid.Cols(); ++c)
        setColumnWidth(c, formatWidth(formats.at(c)));
}

} // namespace corvane::gui
