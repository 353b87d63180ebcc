#include "odbcvalues.h"

#include "providererror.h"

#include <QDateTime>
#include <QLibrary>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVarLengthArray>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace corvane::db {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters are UTF-16 units");

// The two driver manager functions this file calls.
struct DriverManager
{
    decltype(&SQLGetData) getData = nullptr;
    decltype(&SQLGetDiagRecW) getDiagRec = nullptr;
};

const DriverManager& driverManager()
{
    static const DriverManager functions = [] {
        DriverManager f;
#ifdef Q_OS_WIN
        f.getData = &SQLGetData;
        f.getDiagRec = &SQLGetDiagRecW;
#else
        // unixODBC as Qt's ODBC driver has loaded it, looked up without linking
        // it: linked, its names stand in the program's global scope for a
        // driver's calls to its own functions (FreeTDS's SQLGetTypeInfoW calls
        // SQLGetTypeInfo, which then fails with SQL_INVALID_HANDLE).
        QLibrary odbc(QStringLiteral("odbc"), 2);
        f.getData = reinterpret_cast<decltype(&SQLGetData)>(odbc.resolve("SQLGetData"));
        f.getDiagRec = reinterpret_cast<decltype(&SQLGetDiagRecW)>(odbc.resolve("SQLGetDiagRecW"));
#endif
        return f;
    }();
    if (!functions.getData || !functions.getDiagRec)
        throwProviderError(QStringLiteral("The ODBC driver manager cannot be found."));
    return functions;
}

// The statement handle behind a QODBC query.
SQLHSTMT statementOf(const QSqlQuery& query)
{
    const QVariant handle = query.result()->handle();
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<void*>())
        throwProviderError(QStringLiteral("The ODBC statement handle is not available."));
    return *static_cast<SQLHSTMT const*>(handle.constData());
}

[[noreturn]] void throwDriverError(SQLHSTMT statement)
{
    QStringList texts;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(driverManager().getDiagRec(SQL_HANDLE_STMT, statement, record, state,
                                                      &native, message,
                                                      SQLSMALLINT(std::size(message)), &length)))
            break;
        texts << QString::fromUtf16(reinterpret_cast<const char16_t*>(message),
                                    qMin<qsizetype>(length, std::size(message) - 1));
    }
    throwProviderError(texts.isEmpty() ? QStringLiteral("Unspecified ODBC error")
                                       : texts.join(u' '));
}

// Wide text read in pieces until the driver has none left; false for NULL.
bool readText(SQLHSTMT statement, SQLUSMALLINT column, QString& text)
{
    QVarLengthArray<SQLWCHAR, 512> buffer(512);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            driverManager().getData(statement, column, SQL_C_WCHAR, buffer.data(),
                                    SQLLEN(buffer.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA) return true;
        if (!SQL_SUCCEEDED(rc)) throwDriverError(statement);
        if (indicator == SQL_NULL_DATA) return false;
        const qsizetype room = buffer.size() - 1; // one place for the terminator
        const bool whole =
            indicator != SQL_NO_TOTAL && indicator <= SQLLEN(room * sizeof(SQLWCHAR));
        const qsizetype chars = whole ? qsizetype(indicator / sizeof(SQLWCHAR)) : room;
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), chars);
        if (whole) return true;
    }
}

bool readBinary(SQLHSTMT statement, SQLUSMALLINT column, QByteArray& bytes)
{
    char buffer[8192];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = driverManager().getData(statement, column, SQL_C_BINARY, buffer,
                                                     sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) return true;
        if (!SQL_SUCCEEDED(rc)) throwDriverError(statement);
        if (indicator == SQL_NULL_DATA) return false;
        const bool whole = indicator != SQL_NO_TOTAL && indicator <= SQLLEN(sizeof buffer);
        bytes.append(buffer, whole ? qsizetype(indicator) : qsizetype(sizeof buffer));
        if (whole) return true;
    }
}

// A fixed-size C value; false for NULL.
template <typename T>
bool readFixed(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type, T& value)
{
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(
            driverManager().getData(statement, column, type, &value, sizeof value, &indicator)))
        throwDriverError(statement);
    return indicator != SQL_NULL_DATA;
}

QVariant readValue(SQLHSTMT statement, SQLUSMALLINT column, const QSqlField& field)
{
    const QMetaType type = field.metaType();
    switch (field.typeID()) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT value = 0;
        if (!readFixed(statement, column, SQL_C_SBIGINT, value)) return QVariant(type);
        QVariant v = QVariant::fromValue(qlonglong(value));
        v.convert(type);
        return v;
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        SQLDOUBLE value = 0;
        if (!readFixed(statement, column, SQL_C_DOUBLE, value)) return QVariant(type);
        return double(value);
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT t{};
        if (!readFixed(statement, column, SQL_C_TYPE_TIMESTAMP, t)) return QVariant(type);
        return QDateTime(QDate(t.year, t.month, t.day),
                         QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
    }
    case SQL_TYPE_DATE:
    case SQL_DATE: {
        SQL_DATE_STRUCT d{};
        if (!readFixed(statement, column, SQL_C_TYPE_DATE, d)) return QVariant(type);
        return QDate(d.year, d.month, d.day);
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        QByteArray bytes;
        return readBinary(statement, column, bytes) ? QVariant(bytes) : QVariant(type);
    }
    default: {
        // Text, and the exact numbers, which only text holds without loss.
        QString text;
        if (!readText(statement, column, text)) return QVariant(QMetaType::fromType<QString>());
        return text;
    }
    }
}

} // namespace

QVariantList odbcRowValues(const QSqlQuery& query, const QSqlRecord& record)
{
    const SQLHSTMT statement = statementOf(query);
    QVariantList row;
    row.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        row << readValue(statement, SQLUSMALLINT(i + 1), record.field(i));
    return row;
}

} // namespace corvane::db
