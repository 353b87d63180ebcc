#include "testdb.h"

#include "base/paths.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace corvane::test {

namespace {

struct Db
{
    sqlite3* handle = nullptr;
    explicit Db(const QString& path)
    {
        if (sqlite3_open(toSqlitePath(path).constData(), &handle) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.toStdString());
    }
    ~Db() { sqlite3_close(handle); }
};

QString dbPath(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name + QStringLiteral(".db"));
}

} // namespace

void runSqlScript(const QString& folder, const QString& name, const QString& script)
{
    Db db(dbPath(folder, name));
    char* message = nullptr;
    if (sqlite3_exec(db.handle, script.toUtf8().constData(), nullptr, nullptr, &message) !=
        SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("SQL script failed: " + text);
    }
}

QString embeddedConnectionString(const QString& folder, const QString& name)
{
    return QStringLiteral("Provider=SQLOLEDB;Data Source=sqlite:%1;User ID=sa;PWD=;DATABASE=%2")
        .arg(folder, name);
}

QString embeddedConfIni(const QString& folder, const QString& name)
{
    return QStringLiteral("sqlite:%1\r\nsa\r\n\r\nunused\r\n%2\r\n").arg(folder, name);
}

QStringList queryRows(const QString& folder, const QString& name, const QString& sql)
{
    Db db(dbPath(folder, name));
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("query failed: ") + sqlite3_errmsg(db.handle));
    QStringList rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_NULL)
                values << QStringLiteral("<null>");
            else
                values << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        }
        rows << values.join(QLatin1Char('|'));
    }
    sqlite3_finalize(stmt);
    return rows;
}

} // namespace corvane::test
