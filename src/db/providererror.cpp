#include "providererror.h"

#include "base/error.h"

#include <QSqlError>

namespace corvane::db {

namespace {

QString adoText(long number)
{
    switch (number) {
    case adoerr::NoCurrentRecord:
        return QStringLiteral("Either BOF or EOF is True, or the current record has been "
                              "deleted. Requested operation requires a current record.");
    case adoerr::NotSupported:
        return QStringLiteral("Object or provider is not capable of performing requested "
                              "operation.");
    case adoerr::ItemNotFound:
        return QStringLiteral("Item cannot be found in the collection corresponding to the "
                              "requested name or ordinal.");
    case adoerr::ObjectClosed:
        return QStringLiteral("Operation is not allowed when the object is closed.");
    case adoerr::ObjectOpen:
        return QStringLiteral("Operation is not allowed when the object is open.");
    case adoerr::ConnectionUnusable:
        return QStringLiteral("The connection cannot be used to perform this operation. It is "
                              "either closed or invalid in this context.");
    case adoerr::CannotFetchBackward:
        return QStringLiteral("Rowset does not support fetching backward.");
    case adoerr::RowNotLocated:
        return QStringLiteral("Row cannot be located for updating. Some values may have been "
                              "changed since it was last read.");
    default:
        return QStringLiteral("Unspecified error");
    }
}

} // namespace

QString providerText(const QSqlError& error)
{
    const QString database = error.databaseText().trimmed();
    return database.isEmpty() ? error.driverText().trimmed() : database;
}

void throwProviderError(const QSqlError& error)
{
    throwProviderError(providerText(error));
}

void throwProviderError(const QString& text)
{
    throw Error(errnum::ProviderFailure, text);
}

void throwAdoError(long number)
{
    throw Error(number, adoText(number));
}

void throwNotUpdatable()
{
    throw Error(adoerr::NotSupported,
                QStringLiteral("Current Recordset does not support updating. This may be a "
                               "limitation of the provider, or of the selected locktype."));
}

} // namespace corvane::db
