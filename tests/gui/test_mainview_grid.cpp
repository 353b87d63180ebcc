// FlexDb on screen: headings, column widths from the format string, the
// fixed first column, per-cell colours as painted, and a large fill.
#include "gui/flexdbview.h"
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "state/formstate.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

using namespace corvane;
using namespace corvane::gui;

namespace {

FlexDbView* gridOf(MainView& view)
{
    return qobject_cast<FlexDbView*>(view.controlWidget(QStringLiteral("FlexDb")));
}

// The colour painted in the middle of a cell's left margin (clear of text).
QColor paintedCellColour(FlexDbView* grid, int row, int col)
{
    const QModelIndex index = grid->model()->index(row, col);
    const QRect cell = grid->visualRect(index);
    const QImage image = grid->viewport()->grab().toImage();
    return QColor(image.pixel(cell.left() + 2, cell.center().y()));
}

// One row of the comparison: table, column, status text and colour.
void setRow(FlexGrid& g, int row, const QString& table, const QString& column, int colour)
{
    g.setTextMatrix(row, 0, table);
    g.setTextMatrix(row, 1, column);
    g.setTextMatrix(
        row, 2, colour == corvane::colour::Red ? QStringLiteral("Mancante") : QStringLiteral("OK"));
    g.setRow(row);
    for (int c = 0; c < 3; ++c) {
        g.setCol(c);
        g.setCellBackColor(colour);
    }
}

} // namespace

class TestMainViewGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitution(); }

    void headings();
    void columnWidthsFromFormat_data();
    void columnWidthsFromFormat();
    void widthsFollowTheFormat();
    void uniformRows();
    void cellColoursPainted_data();
    void cellColoursPainted();
    void fixedColumnLooksFixed();
    void fiftyThousandRowsStayFast();
};

void TestMainViewGrid::headings()
{
    FormState form;
    MainView view(form);
    QAbstractItemModel* model = gridOf(view)->model();
    QCOMPARE(model->columnCount(), 3);
    QCOMPARE(model->rowCount(), 1); // the one empty row under the header
    const QStringList expected = {"Tabella", " Campo", "Stato"};
    for (int c = 0; c < 3; ++c)
        QCOMPARE(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), expected.at(c));
    QVERIFY(!gridOf(view)->verticalHeader()->isVisible());
}

void TestMainViewGrid::columnWidthsFromFormat_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("entry");
    // Each column is as wide as its heading with the trailing spaces.
    QTest::newRow("Tabella") << 0 << QStringLiteral("Tabella") + QString(31, QLatin1Char(' '));
    QTest::newRow("Campo") << 1 << QStringLiteral(" Campo") + QString(35, QLatin1Char(' '));
    QTest::newRow("Stato") << 2 << QStringLiteral("Stato") + QString(79, QLatin1Char(' '));
}

void TestMainViewGrid::columnWidthsFromFormat()
{
    QFETCH(int, column);
    QFETCH(QString, entry);
    FormState form;
    MainView view(form);
    const int text = QFontMetrics(formFont(8.25)).horizontalAdvance(entry);
    const int width = gridOf(view)->columnWidth(column);
    QVERIFY2(width >= text && width <= text + 12,
             qPrintable(QStringLiteral("column %1 px, text %2 px").arg(width).arg(text)));
}

void TestMainViewGrid::widthsFollowTheFormat()
{
    FormState form;
    MainView view(form);
    FlexDbView* grid = gridOf(view);
    const QList<int> before = {grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)};
    // A comparison hides the grid, fills it and shows it again (a model reset).
    form.FlexDb.setVisible(false);
    form.FlexDb.setRows(5);
    form.FlexDb.setVisible(true);
    QCOMPARE(QList<int>({grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)}),
             before);
    QCOMPARE(grid->model()->rowCount(), 4);

    // A new format string brings its own widths.
    form.FlexDb.setFormatString(QStringLiteral("Nome|<Tipo") + QString(60, QLatin1Char(' ')) +
                                QStringLiteral("|<Esito"));
    const QFontMetrics fm(formFont(8.25));
    QVERIFY(grid->columnWidth(0) < before.at(0));
    QVERIFY(grid->columnWidth(1) >=
            fm.horizontalAdvance(QStringLiteral("Tipo") + QString(60, QLatin1Char(' '))));
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Tipo"));
}

void TestMainViewGrid::uniformRows()
{
    FormState form;
    MainView view(form);
    FlexDbView* grid = gridOf(view);
    form.FlexDb.setRows(4);
    form.FlexDb.setTextMatrix(2, 0, QStringLiteral("Riga\r\ncon a capo"));
    QCOMPARE(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(grid->rowHeight(r), grid->uniformRowHeight());
    QCOMPARE(grid->horizontalHeader()->height(), grid->uniformRowHeight());
}

void TestMainViewGrid::cellColoursPainted_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<QColor>("painted");
    QTest::newRow("green") << int(colour::Green) << QColor(0, 255, 0);
    QTest::newRow("red") << int(colour::Red) << QColor(255, 0, 0);
}

void TestMainViewGrid::cellColoursPainted()
{
    QFETCH(int, colour);
    QFETCH(QColor, painted);
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    FlexGrid& g = form.FlexDb;
    g.setRows(3);
    setRow(g, 1, QStringLiteral("soggetti"), QString(), colour);
    setRow(g, 2, QStringLiteral("soggetti"), QStringLiteral("Telefono"), colour);
    FlexDbView* grid = gridOf(view);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(grid->model()->index(row, 1).data(Qt::BackgroundRole).value<QColor>(), painted);
        // Column 0 is the fixed one: the program's colour wins there too.
        for (int col = 0; col < 3; ++col) {
            if (grid->currentIndex() == grid->model()->index(row, col)) continue;
            QCOMPARE(paintedCellColour(grid, row, col), painted);
        }
    }
}

void TestMainViewGrid::fixedColumnLooksFixed()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    FlexDbView* grid = gridOf(view);
    form.FlexDb.setRows(3);
    // Row 2 of the grid: clear of the current cell's focus mark.
    const QColor fixed = paintedCellColour(grid, 1, 0);
    const QColor plain = paintedCellColour(grid, 1, 1);
    QCOMPARE(fixed, grid->palette().color(QPalette::Button));
    QCOMPARE(plain, grid->palette().color(QPalette::Base));
    QVERIFY(fixed != plain);
}

void TestMainViewGrid::fiftyThousandRowsStayFast()
{
    constexpr int kRows = 50'000;
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    FlexGrid& g = form.FlexDb;
    FlexDbView* grid = gridOf(view);

    QElapsedTimer clock;
    clock.start();
    // As the comparison fills it: hidden, one row at a time, then shown.
    g.setVisible(false);
    for (int r = 1; r <= kRows; ++r) {
        g.setRows(r + 1);
        setRow(g, r, QStringLiteral("tabella%1").arg(r / 20), QStringLiteral("campo%1").arg(r),
               r % 7 == 0 ? colour::Red : colour::Green);
    }
    const qint64 fillMs = clock.restart();
    g.setVisible(true);
    QCoreApplication::processEvents();
    grid->scrollToBottom();
    grid->viewport()->grab();
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
    grid->viewport()->grab();
    const qint64 showMs = clock.elapsed();
    qInfo("fill %lld ms, show and scroll %lld ms", fillMs, showMs);

    QCOMPARE(grid->model()->rowCount(), kRows);
    QVERIFY(grid->isVisible());
    QCOMPARE(grid->model()->index(kRows - 1, 1).data().toString(),
             QStringLiteral("campo%1").arg(kRows));
    for (int r : {7 * 7000, 7 * 7000 + 1}) {
        const QColor expected = r % 7 == 0 ? QColor(255, 0, 0) : QColor(0, 255, 0);
        QCOMPARE(grid->model()->index(r - 1, 2).data(Qt::BackgroundRole).value<QColor>(), expected);
    }
    QVERIFY2(showMs < 1500, qPrintable(QStringLiteral("%1 ms").arg(showMs)));
    QVERIFY2(fillMs < 5000, qPrintable(QStringLiteral("%1 ms").arg(fillMs)));
}

QTEST_MAIN(TestMainViewGrid)
#include "test_mainview_grid.moc"
