#pragma once

// The test world on SQL Server: the shared world (window state, global state,
// scripted platform, recording log) whose reference and local databases are
// each on a TDS test server.

#include "support/tdstestserver.h"
#include "support/world.h"

#include <QStringList>

namespace corvane::test {

struct SqlServerWorld : World
{
    TdsTestServer reference;
    TdsTestServer local;

    // Starts both servers and puts their settings into the global state, as
    // the start-up sequence builds them. The reference listens at host,port,
    // or, with referenceOn1433, on port 1433 of its own loopback address,
    // where the program's "<host>,1433" reaches it.
    bool start(bool referenceOn1433 = false);
    // Opens both connections and shows "DB Connesso", as the start-up leaves them.
    void connect();
    // Both transcripts, the reference's first, today's date as "<today>".
    QString transcripts() const;
    // Statements that no rule of either server fitted.
    QStringList unexpected() const;
};

// The login and password the local test server accepts.
inline const QString kLocalPassword = QStringLiteral("Ditta!");

} // namespace corvane::test
