#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace corvane {

// The program's one error type: a number and the platform's or the database
// provider's own description. Every procedure catches it in one place.
class Error : public std::exception
{
public:
    Error(long number, QString description);

    long number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    long m_number;
    QString m_description;
    QByteArray m_what;
};

// Numbers used where the platform gives a description but no number of its own.
namespace errnum {
inline constexpr long FileNotFound = 53;
inline constexpr long InputPastEndOfFile = 62;
inline constexpr long PermissionDenied = 70;
inline constexpr long PathFileAccess = 75;
inline constexpr long InvalidPropertyValue = 380;
// What ADO reports for a provider failure (E_FAIL).
inline constexpr long ProviderFailure = -2147467259;
} // namespace errnum

} // namespace corvane
