#pragma once

// The comparison's answers got the leanest way the engine allows: each
// database's sqlite_schema read once, pragma_table_info once per table, one
// prepared statement each, names matched as the program's collation matches
// them. The yardstick the program's comparison is measured against.

#include <QList>
#include <QString>

struct sqlite3;

namespace bench {

struct GridRow
{
    QString object, column, status;
    int colour = 0;
    bool operator==(const GridRow&) const = default;
};

class LeanComparison
{
public:
    LeanComparison(const QString& referenceFile, const QString& localFile);
    ~LeanComparison();
    LeanComparison(const LeanComparison&) = delete;
    LeanComparison& operator=(const LeanComparison&) = delete;

    // Builds the rows the program writes into FlexDb (row 0 left out).
    void run();
    const QList<GridRow>& rows() const { return m_rows; }
    void clear() { m_rows = {}; }

private:
    sqlite3* m_reference = nullptr;
    sqlite3* m_local = nullptr;
    QList<GridRow> m_rows;
};

} // namespace bench
