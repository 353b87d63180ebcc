#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class QSqlQuery;

namespace corvane::db {

class Connection;

inline constexpr int adOpenForwardOnly = 0;
inline constexpr int adOpenStatic = 3;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockPessimistic = 2;

// A query result as the program uses an ADO Recordset.
//  - Static cursors (3) hold their rows: MoveFirst and RecordCount work.
//  - Forward-only cursors (0) stream from the server: MoveFirst and
//    RecordCount throw.
//  - A statement that returns no rows (DDL, UPDATE) runs at Open and leaves
//    the recordset at its end.
//  - With the pessimistic lock (2) on "SELECT ... FROM <table> [WHERE ...]",
//    AddNew/field writes/Update store rows: a new row becomes one parameterised
//    INSERT of the fields set; a change to the current row becomes one
//    parameterised UPDATE of the fields set on the rows the source query's
//    WHERE clause selects. When the query had selected several rows, the
//    current row's stored values narrow the UPDATE to that row; an UPDATE
//    that finds no row raises ADO's "Row cannot be located for updating".
//    Writing a field the query did not return raises ADO's "Item cannot be
//    found" at once, so nothing of that row is stored.
// Every failure throws corvane::Error.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // With parameters, the source is one statement and they are bound to its
    // ? placeholders in order.
    void Open(const QString& source, Connection& connection, int cursorType, int lockType,
              int options = -1, const QVariantList& parameters = {});
    bool isOpen() const;
    void Close();

    // ADO's EOF: past the last row (or no rows at all).
    bool Eof() const;
    void MoveNext();
    void MoveFirst();
    long RecordCount() const;

    // Fields(name).Value of the current row; a NULL comes back as a null QVariant.
    QVariant field(const QString& name) const;
    // Fields(name).Value = value on the current (or new) row.
    void setField(const QString& name, const QVariant& value);
    QStringList fieldNames() const;

    void AddNew();
    void Update();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace corvane::db
