#pragma once

// The world of a test of the program on SQL Server: the maker's reference and
// the customer's local database each on a TDS test server, the window's
// state, the global state, a scripted platform and a log, in one Context.
// (Kept here until the shared test world offers servers of this kind.)

#include "state/context.h"
#include "support/scriptedplatform.h"
#include "support/tdstestserver.h"

#include <QStringList>

namespace corvane::test {

// Every line the program logs, in order.
class LineLog : public EventLog
{
public:
    void record(const QString& line) override { lines << line; }
    QStringList lines;
};

struct SqlServerWorld
{
    TdsTestServer reference;
    TdsTestServer local;
    FormState form;
    GlobalState g;
    ScriptedPlatform port;
    LineLog log;
    Context ctx{form, g, port, log};

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

// The local database's name in every world.
inline const QString kLocalDatabase = QStringLiteral("Bellini");

} // namespace corvane::test
