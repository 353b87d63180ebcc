#include "sqldmo_sqlite.h"

#include "base/error.h"
#include "embeddedfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace corvane::schema {

namespace {

class EmbeddedTable : public Table
{
public:
    EmbeddedTable(std::shared_ptr<EmbeddedFiles> files, QString file, EmbeddedObject object)
        : m_files(std::move(files)), m_file(std::move(file)), m_object(std::move(object))
    {
    }

    // The CREATE TABLE as stored, then each of the table's own CREATE INDEX
    // statements as a batch of its own (the engine's automatic indexes have none).
    QString Script(int scriptType, const QString& outputFile, const QString& newName,
                   int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        Q_UNUSED(newName);
        Q_UNUSED(script2Type);
        QString script = createStatement() + BatchSeparator;
        for (const QString& statement : m_object.indexSql)
            script += statement + BatchSeparator;
        return script;
    }

    QString Name() const override { return m_object.name; }

    QList<Column> Columns() override
    {
        static const QRegularExpression autoincrement(QStringLiteral(R"(\bAUTOINCREMENT\b)"),
                                                      QRegularExpression::CaseInsensitiveOption);
        const bool hasAutoincrement = createStatement().contains(autoincrement);
        QList<Column> columns;
        for (const TableInfoRow& row : m_files->tableInfo(m_file, m_object.name))
            columns << columnFromTableInfo(row, hasAutoincrement);
        return columns;
    }

private:
    QString createStatement() const
    {
        if (m_object.sql.isEmpty())
            throw Error(errnum::ProviderFailure,
                        QStringLiteral("[SQLite]table '%1' has no definition").arg(m_object.name));
        return QString::fromUtf8(m_object.sql);
    }

    std::shared_ptr<EmbeddedFiles> m_files;
    QString m_file;
    EmbeddedObject m_object;
};

class EmbeddedView : public View
{
public:
    explicit EmbeddedView(EmbeddedObject object) : m_object(std::move(object)) {}

    QString Script(int scriptType, const QString& outputFile, int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        Q_UNUSED(script2Type);
        const QString sql = QString::fromUtf8(m_object.sql);
        if (sql.trimmed().isEmpty()) return {};
        return sql + BatchSeparator;
    }

private:
    EmbeddedObject m_object;
};

class EmbeddedDatabase : public Database
{
public:
    EmbeddedDatabase(std::shared_ptr<EmbeddedFiles> files, QString file)
        : m_files(std::move(files)), m_file(std::move(file))
    {
    }

    std::shared_ptr<Table> Tables(const QString& name) override
    {
        return std::make_shared<EmbeddedTable>(m_files, m_file, m_files->table(m_file, name));
    }
    std::shared_ptr<View> Views(const QString& name) override
    {
        return std::make_shared<EmbeddedView>(m_files->view(m_file, name));
    }

private:
    std::shared_ptr<EmbeddedFiles> m_files;
    QString m_file;
};

class EmbeddedServer : public SqlServer
{
public:
    EmbeddedServer(QString folder, std::shared_ptr<EmbeddedFiles> files)
        : m_folder(std::move(folder)), m_files(std::move(files))
    {
    }

    void setLoginTimeout(int) override {}
    void Connect(const QString&, const QString&, const QString&) override {}
    int VersionMajor() override { return kEmbeddedVersionMajor; }
    void DisConnect() override {}

    // <folder>/<name>.db, the file name matched ignoring letter case as on
    // the server the program was written for.
    std::shared_ptr<Database> Databases(const QString& name) override
    {
        const QString wanted = name + QStringLiteral(".db");
        const QDir dir(m_folder);
        for (const QString& file : dir.entryList(QDir::Files))
            if (file.compare(wanted, Qt::CaseInsensitive) == 0)
                return std::make_shared<EmbeddedDatabase>(
                    m_files, QFileInfo(dir.filePath(file)).canonicalFilePath());
        throw Error(errnum::ProviderFailure,
                    QStringLiteral("[SQLite]database '%1' not found in %2").arg(name, m_folder));
    }

private:
    QString m_folder;
    std::shared_ptr<EmbeddedFiles> m_files;
};

} // namespace

std::shared_ptr<SqlServer> connectEmbeddedServer(const QString& dataSource,
                                                 std::shared_ptr<EmbeddedFiles> files)
{
    QString folder = dataSource.mid(dataSource.indexOf(QLatin1Char(':')) + 1);
    static const QRegularExpression port(QStringLiteral(R"(,\s*\d*\s*$)"));
    folder.remove(port);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw Error(
            errnum::ProviderFailure,
            QStringLiteral("[SQLite]Unable to connect: folder '%1' does not exist").arg(folder));
    return std::make_shared<EmbeddedServer>(folder, std::move(files));
}

} // namespace corvane::schema
