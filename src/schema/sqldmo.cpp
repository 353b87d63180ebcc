#include "sqldmo.h"

#include "app/error.h"
#include "app/globals.h"

namespace corvane::schema {

Application& application(GlobalState& g)
{
    if (!g.SqlDmoApplication) {
        g.SqlDmoApplication =
            g.createSqlDmoApplication ? g.createSqlDmoApplication() : createDefaultApplication();
        if (!g.SqlDmoApplication)
            throw Error(429, QStringLiteral("ActiveX component can't create object"));
    }
    return *g.SqlDmoApplication;
}

} // namespace corvane::schema
