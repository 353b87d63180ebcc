#include "recordset.h"

#include "base/error.h"
#include "connection.h"
#include "connection_statements.h"
#include "embeddedbatch.h"
#include "providererror.h"
#include "rowwriter.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <deque>
#include <optional>
#include <utility>

namespace corvane::db {

namespace {

// Values compared against the stored row when several rows are selected; long
// texts and binary data are left out (the server cannot compare them with =).
bool usableForMatch(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray) return false;
    return value.typeId() != QMetaType::QString || value.toString().size() <= 4000;
}

} // namespace

struct Recordset::Impl final : OpenResult
{
    Connection* connection = nullptr;
    std::weak_ptr<const void> connectionLifetime;
    bool open = false;
    bool forwardOnly = false;
    int lockType = adLockReadOnly;
    QStringList names;
    QSqlRecord record; // of a statement Qt ran; what a NULL written to a field is bound as
    std::optional<WriteTarget> target;

    // Static cursor: every row, and the position in them.
    std::vector<QVariantList> rows;
    size_t position = 0;
    // Forward-only cursor: the query streaming from the server and its current
    // row. Once another statement needed the connection, the rows that were
    // still to come wait here, and so does an error met while reading them.
    std::unique_ptr<QSqlQuery> stream;
    std::unique_ptr<EmbeddedRows> engineStream; // a read-only one on the embedded engine
    std::deque<QVariantList> takenIn;
    std::optional<QString> takenInError;
    QVariantList streamRow;
    bool streamEof = true;

    // Fields set since AddNew or since the last Update, in the order they were set.
    bool adding = false;
    QList<int> pendingColumns;
    QVariantList pendingValues;

    void requireOpen() const
    {
        if (!open) throwAdoError(adoerr::ObjectClosed);
    }
    // Writes and streaming reach the connection; it may have been replaced since Open.
    void requireConnection() const
    {
        if (connectionLifetime.expired() || connection->State() != adStateOpen)
            throwAdoError(adoerr::ConnectionUnusable);
    }
    bool atEnd() const { return forwardOnly ? streamEof : position >= rows.size(); }
    QVariantList* currentRow()
    {
        if (atEnd()) return nullptr;
        return forwardOnly ? &streamRow : &rows[position];
    }
    // Letter case does not count; of two columns with one name, the last.
    int columnOf(const QString& name) const
    {
        for (qsizetype i = names.size() - 1; i >= 0; --i)
            if (names.at(i).compare(name, Qt::CaseInsensitive) == 0) return int(i);
        throwAdoError(adoerr::ItemNotFound);
    }

    ~Impl() { letGoOfStream(); }
    void takeInRemainingRows() override;
    void letGoOfStream();

    void readColumns(const QSqlRecord& record);
    void fetchStreamRow();
    void fetchEngineRow();
    void runStatement(const QString& sql, const QVariantList& parameters);
    bool runOnEngine(const QString& sql, const QVariantList& parameters);
    void discardPending();
    void storeNewRow();
    void storeChangedRow();
    void execute(const WriteStatement& statement, bool mustTouchARow);
};

void Recordset::Impl::readColumns(const QSqlRecord& columns)
{
    record = columns;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
}

void Recordset::Impl::fetchStreamRow()
{
    if (engineStream) return fetchEngineRow();
    if (!stream) {
        streamEof = takenIn.empty();
        if (!streamEof) {
            streamRow = std::move(takenIn.front());
            takenIn.pop_front();
            return;
        }
        streamRow.clear();
        if (takenInError) throwProviderError(*std::exchange(takenInError, std::nullopt));
        return;
    }
    streamEof = !stream->next();
    if (!streamEof) {
        streamRow = connection->values(*stream, record);
        return;
    }
    streamRow.clear();
    const QSqlError error = stream->lastError();
    // Read to its end: the connection is free for the next statement.
    letGoOfStream();
    if (error.isValid()) throwProviderError(error);
}

void Recordset::Impl::fetchEngineRow()
{
    try {
        streamEof = !engineStream->next(streamRow);
    } catch (const Error&) {
        streamEof = true;
        streamRow.clear();
        letGoOfStream();
        throw;
    }
    if (!streamEof) return;
    streamRow.clear();
    // Read to its end: the statement goes back for the next question.
    letGoOfStream();
}

void Recordset::Impl::takeInRemainingRows()
{
    if (engineStream) {
        try {
            QVariantList row;
            while (engineStream->next(row))
                takenIn.push_back(std::move(row));
        } catch (const Error& e) {
            takenInError = e.description();
        }
        engineStream.reset();
        return;
    }
    if (!stream) return;
    while (stream->next())
        takenIn.push_back(connection->values(*stream, record));
    if (stream->lastError().isValid()) takenInError = providerText(stream->lastError());
    stream.reset();
}

void Recordset::Impl::letGoOfStream()
{
    if (!stream && !engineStream) return;
    stream.reset();
    engineStream.reset();
    if (!connectionLifetime.expired()) connection->releaseOpenResult(this);
}

// A read on the embedded engine skips Qt's copy of every row and, when it
// carries values, the parse of a text asked before. False: not taken.
bool Recordset::Impl::runOnEngine(const QString& sql, const QVariantList& parameters)
{
    if (lockType != adLockReadOnly) return false;
    std::unique_ptr<EmbeddedRows> result = connection->start(sql, parameters);
    if (!result) return false;
    if (!result->isSelect()) return true;
    names = result->columnNames();
    if (forwardOnly) {
        engineStream = std::move(result);
        connection->holdOpenResult(this);
        fetchStreamRow();
        return true;
    }
    QVariantList row;
    while (result->next(row))
        rows.push_back(std::move(row));
    return true;
}

void Recordset::Impl::runStatement(const QString& sql, const QVariantList& parameters)
{
    if (runOnEngine(sql, parameters)) return;
    std::unique_ptr<QSqlQuery> query = connection->run(sql, parameters);
    if (!query->isSelect()) return; // DDL, UPDATE: done, and the recordset is at its end
    readColumns(query->record());
    if (forwardOnly) {
        stream = std::move(query);
        connection->holdOpenResult(this);
        fetchStreamRow();
        return;
    }
    while (query->next())
        rows.push_back(connection->values(*query, record));
    if (query->lastError().isValid()) throwProviderError(query->lastError());
}

void Recordset::Impl::discardPending()
{
    adding = false;
    pendingColumns.clear();
    pendingValues.clear();
}

void Recordset::Impl::execute(const WriteStatement& statement, bool mustTouchARow)
{
    const std::unique_ptr<QSqlQuery> query = connection->run(statement.sql, statement.values);
    if (mustTouchARow && query->numRowsAffected() == 0) throwAdoError(adoerr::RowNotLocated);
}

void Recordset::Impl::storeNewRow()
{
    QStringList columns;
    for (int column : pendingColumns)
        columns << names[column];
    execute(insertStatement(*connection->database().driver(), *target, columns, pendingValues),
            false);
    QVariantList row(names.size());
    for (qsizetype i = 0; i < pendingColumns.size(); ++i)
        row[pendingColumns[i]] = pendingValues[i];
    discardPending();
    // The stored row becomes the current row, as after ADO's Update.
    if (forwardOnly) {
        streamRow = row;
        streamEof = false;
    } else {
        rows.push_back(row);
        position = rows.size() - 1;
    }
}

// The source query's WHERE names the row when it selects just one; among several,
// the current row's stored values single it out so that no other row changes.
void Recordset::Impl::storeChangedRow()
{
    QVariantList* row = currentRow();
    if (!row) throwAdoError(adoerr::NoCurrentRecord);
    QStringList columns;
    for (int column : pendingColumns)
        columns << names[column];
    QStringList matchColumns;
    QVariantList matchValues;
    if (forwardOnly || rows.size() > 1) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (!usableForMatch((*row)[i])) continue;
            matchColumns << names[i];
            matchValues << (*row)[i];
        }
    }
    execute(updateStatement(*connection->database().driver(), *target, columns, pendingValues,
                            matchColumns, matchValues),
            true);
    for (qsizetype i = 0; i < pendingColumns.size(); ++i)
        (*row)[pendingColumns[i]] = pendingValues[i];
    discardPending();
}

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::Open(const QString& source, Connection& connection, int cursorType, int lockType,
                     int, const QVariantList& parameters)
{
    if (d->open) throwAdoError(adoerr::ObjectOpen);
    if (connection.State() != adStateOpen) throwAdoError(adoerr::ConnectionUnusable);
    d = std::make_unique<Impl>();
    d->connection = &connection;
    d->connectionLifetime = connection.lifetime();
    d->forwardOnly = cursorType == adOpenForwardOnly;
    d->lockType = lockType;
    QStringList statements = connection.isEmbedded() && parameters.isEmpty()
                                 ? splitEmbeddedBatch(source)
                                 : QStringList{source};
    const QString last = statements.isEmpty() ? source : statements.takeLast();
    for (const QString& statement : statements)
        connection.Execute(statement);
    d->runStatement(last, parameters);
    if (lockType != adLockReadOnly) d->target = writeTargetOf(source);
    d->open = true;
}

bool Recordset::isOpen() const
{
    return d->open;
}

void Recordset::Close()
{
    d->requireOpen();
    d = std::make_unique<Impl>();
}

bool Recordset::Eof() const
{
    d->requireOpen();
    return d->atEnd();
}

void Recordset::MoveNext()
{
    d->requireOpen();
    if (d->atEnd()) throwAdoError(adoerr::NoCurrentRecord);
    d->discardPending();
    if (d->forwardOnly) {
        d->requireConnection();
        d->fetchStreamRow();
    } else {
        ++d->position;
    }
}

void Recordset::MoveFirst()
{
    d->requireOpen();
    if (d->forwardOnly) throwAdoError(adoerr::CannotFetchBackward);
    d->discardPending();
    d->position = 0;
}

long Recordset::RecordCount() const
{
    d->requireOpen();
    // A stream does not know how many rows are still to come.
    if (d->forwardOnly) throwAdoError(adoerr::NotSupported);
    return long(d->rows.size());
}

QVariant Recordset::field(const QString& name) const
{
    d->requireOpen();
    const int column = d->columnOf(name);
    if (d->adding) {
        const qsizetype pending = d->pendingColumns.indexOf(column);
        return pending < 0 ? QVariant() : d->pendingValues[pending];
    }
    const qsizetype pending = d->pendingColumns.indexOf(column);
    if (pending >= 0) return d->pendingValues[pending];
    const QVariantList* row = d->currentRow();
    if (!row) throwAdoError(adoerr::NoCurrentRecord);
    return (*row)[column];
}

void Recordset::setField(const QString& name, const QVariant& value)
{
    d->requireOpen();
    if (d->lockType == adLockReadOnly || !d->target) throwNotUpdatable();
    const int column = d->columnOf(name);
    if (!d->adding && d->atEnd()) throwAdoError(adoerr::NoCurrentRecord);
    // A NULL of no type goes to the server as the column's type, as ADO binds
    // it: a driver's own guess (binary) does not convert to every column type.
    const QVariant stored = value.isValid() ? value : QVariant(d->record.field(column).metaType());
    const qsizetype pending = d->pendingColumns.indexOf(column);
    if (pending >= 0) {
        d->pendingValues[pending] = stored;
    } else {
        d->pendingColumns << column;
        d->pendingValues << stored;
    }
}

QStringList Recordset::fieldNames() const
{
    d->requireOpen();
    return d->names;
}

void Recordset::AddNew()
{
    d->requireOpen();
    if (d->lockType == adLockReadOnly || !d->target) throwNotUpdatable();
    d->discardPending();
    d->adding = true;
}

void Recordset::Update()
{
    d->requireOpen();
    if (d->lockType == adLockReadOnly || !d->target) throwNotUpdatable();
    if (d->adding || !d->pendingColumns.isEmpty()) d->requireConnection();
    if (d->adding)
        d->storeNewRow();
    else if (!d->pendingColumns.isEmpty())
        d->storeChangedRow();
}

} // namespace corvane::db
