#include "error.h"

namespace corvane {

Error::Error(long number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QByteArray::number(static_cast<qlonglong>(number)) + " " + m_description.toUtf8())
{
}

} // namespace corvane
