#pragma once

namespace corvane {

class EventLog;

// A quiet run keeps standard error for real errors: Qt's own notes and
// warnings (a platform plugin that cannot raise a window, a missing runtime
// folder) go to the run log instead, while critical and fatal messages still
// reach standard error. Those that come before the log exists are kept until
// it is given.
void keepQtWarningsFromStderr();
void sendQtWarningsTo(EventLog& log);
// Qt's own handler again; what was kept is dropped.
void restoreQtWarnings();

} // namespace corvane
