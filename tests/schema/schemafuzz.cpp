#include "schemafuzz.h"

#include <QList>
#include <QSet>
#include <random>

namespace corvane::test {

namespace {

class Rng
{
public:
    explicit Rng(quint64 seed) : m_engine(seed) {}
    int below(int n) { return int(m_engine() % quint64(n)); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_engine) < p; }
    template <typename T> const T& pick(const QList<T>& items)
    {
        return items.at(below(int(items.size())));
    }

private:
    std::mt19937_64 m_engine;
};

QString quoted(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString literal(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

const QString kGo = QStringLiteral("\r\nGO\r\n");

// How the engine compares names: ASCII letters in any case, everything else as written.
QString asciiFolded(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return folded;
}

// A name as a hostile reference would write it; `used` keeps names apart as
// the comparison tells them apart (letter case and surrounding blanks aside).
QString hostileName(Rng& r, const QString& base, QSet<QString>& used)
{
    static const QList<QString> tails{QString(),
                                      QString(),
                                      QStringLiteral("]"),
                                      QStringLiteral("]]x"),
                                      QStringLiteral("\"q\""),
                                      QStringLiteral("'"),
                                      QStringLiteral(" con spazio"),
                                      kGo + QStringLiteral("X"),
                                      QStringLiteral("/*"),
                                      QStringLiteral("*/"),
                                      QStringLiteral("--"),
                                      QStringLiteral("Città"),
                                      QStringLiteral("Ñandú"),
                                      QStringLiteral("Ǆ"),
                                      QStringLiteral("[x]"),
                                      QStringLiteral(";")};
    for (int n = 0;; ++n) {
        QString name = base + (n ? QString::number(n) : QString()) + r.pick(tails);
        if (r.chance(0.1)) name.prepend(QLatin1Char(' '));
        if (r.chance(0.15)) name.append(QLatin1Char(' '));
        const QString key = name.trimmed().toCaseFolded();
        if (!used.contains(key)) {
            used.insert(key);
            return name;
        }
    }
}

// The same name in other letter case, as a customer's older database may hold it.
QString localVariant(Rng& r, const QString& name)
{
    const int how = r.below(10);
    if (how < 3) return name.toUpper();
    if (how < 5) return name.toLower();
    if (how < 6 && !name.endsWith(QLatin1Char(' '))) return name + QLatin1Char(' ');
    return name;
}

struct Type
{
    QString declared;
    enum Kind { Integer, Text, Blob, Real } kind;
};

const QList<Type>& types()
{
    static const QList<Type> list{{QStringLiteral("int"), Type::Integer},
                                  {QStringLiteral("integer"), Type::Integer},
                                  {QStringLiteral("[int]"), Type::Integer},
                                  {QStringLiteral("bit"), Type::Integer},
                                  {QStringLiteral("varchar(50)"), Type::Text},
                                  {QStringLiteral("[char] (3)"), Type::Text},
                                  {QStringLiteral("[nvarchar(max)]"), Type::Text},
                                  {QStringLiteral("[varbinary(max)]"), Type::Blob},
                                  {QStringLiteral("decimal(18, 4)"), Type::Real},
                                  {QStringLiteral("money"), Type::Real},
                                  {QStringLiteral("float"), Type::Real},
                                  {QStringLiteral("datetime"), Type::Text},
                                  {QStringLiteral("[datetime2] (7)"), Type::Text},
                                  {QStringLiteral("uniqueidentifier"), Type::Text},
                                  {QStringLiteral("xml"), Type::Text},
                                  {QStringLiteral("text"), Type::Text}};
    return list;
}

QString value(Rng& r, Type::Kind kind, bool nullable = true)
{
    if (nullable && r.chance(0.1)) return QStringLiteral("NULL");
    switch (kind) {
    case Type::Integer:
        return QString::number(r.below(2000) - 1000);
    case Type::Real:
        return QString::number(r.below(100000) / 100.0, 'f', 2);
    case Type::Blob:
        return QStringLiteral("x'00ff%1'").arg(r.below(256), 2, 16, QLatin1Char('0'));
    case Type::Text:
        break;
    }
    static const QList<QString> texts{QStringLiteral("Rossi"),
                                      QStringLiteral("l'anno"),
                                      QStringLiteral("a") + kGo + QStringLiteral("b"),
                                      QStringLiteral("/* no */"),
                                      QStringLiteral("Città"),
                                      QStringLiteral("7; DELETE FROM x"),
                                      QString()};
    return literal(r.pick(texts));
}

struct Column
{
    QString name;
    Type type;
    bool notNull = false;
    bool identity = false;
    bool primaryKey = false;
    QString defaultText; // "" when none
    bool local = true;
    QString localName;
};

QString definition(const Column& c, const QString& name)
{
    QString text = quoted(name) + QLatin1Char(' ') + c.type.declared;
    if (c.identity) text = quoted(name) + QStringLiteral(" int IDENTITY (1, 1)");
    if (c.primaryKey) text += QStringLiteral(" PRIMARY KEY");
    if (c.notNull) text += QStringLiteral(" NOT NULL");
    if (!c.defaultText.isEmpty()) text += QStringLiteral(" DEFAULT ") + c.defaultText;
    return text;
}

Column randomColumn(Rng& r, int index, QSet<QString>& used)
{
    static const QList<QString> defaults{
        QStringLiteral("(0)"),         QStringLiteral("('x')"),
        QStringLiteral("('l''anno')"), QStringLiteral("('a") + kGo + QStringLiteral("b')"),
        QStringLiteral("('/* no')"),   QStringLiteral("(CURRENT_TIMESTAMP)"),
        QStringLiteral("(GETDATE())"), QStringLiteral("(newid())"),
        QStringLiteral("(-1.5)"),      QStringLiteral("NULL")};
    Column c;
    c.name = hostileName(r, QStringLiteral("Campo"), used);
    c.type = r.pick(types());
    c.primaryKey = index == 0 && r.chance(0.4);
    c.identity = index > 0 && r.chance(0.08);
    c.notNull = c.identity || c.primaryKey || r.chance(0.3);
    if (!c.identity && r.chance(0.4)) c.defaultText = r.pick(defaults);
    // What the comparison cannot add (a key column) stays in the local copy.
    c.local = c.primaryKey || r.chance(0.6);
    c.localName = localVariant(r, c.name);
    return c;
}

struct Generator
{
    Rng r;
    FuzzCase out;
    QSet<QString> objects;
    QStringList localOnlyTables;
    QStringList takenIndexNames; // by local-only tables
    QSet<QString> referenceIndexes;
    // Tables a view may use: the engine finds a name only in its own letter
    // case beyond ASCII, and without the blanks the comparison overlooks.
    QStringList viewSources;

    explicit Generator(quint64 seed) : r(seed) {}

    void localOnlyTable(int n)
    {
        const QString name =
            QStringLiteral("Mio%1").arg(n) + (r.chance(0.5) ? QStringLiteral("]\"'") : QString());
        objects.insert(name.trimmed().toCaseFolded());
        localOnlyTables << name;
        const QString index = QStringLiteral("IX_Comune%1").arg(n);
        takenIndexNames << index;
        out.localSql += QStringLiteral("CREATE TABLE %1 (Id int PRIMARY KEY, Nota text);\n"
                                       "CREATE INDEX %2 ON %1 (Nota);\n")
                            .arg(quoted(name), quoted(index));
        for (int row = 0; row < 1 + r.below(4); ++row)
            out.localSql += QStringLiteral("INSERT INTO %1 VALUES (%2, %3);\n")
                                .arg(quoted(name))
                                .arg(row)
                                .arg(value(r, Type::Text));
    }

    void table(int n)
    {
        QSet<QString> columnNames;
        const QString name = hostileName(r, QStringLiteral("Tabella%1").arg(n), objects);
        QList<Column> columns;
        for (int i = 0; i < 1 + r.below(5); ++i)
            columns << randomColumn(r, i, columnNames);
        QStringList referenceDefs;
        for (const Column& c : columns)
            referenceDefs << definition(c, c.name);
        out.referenceSql += QStringLiteral("CREATE TABLE %1 (%2);\n")
                                .arg(quoted(name), referenceDefs.join(QStringLiteral(", ")));

        if (r.chance(0.35)) {
            newTable(name, columns);
            return;
        }
        const QString localName = localVariant(r, name);
        if (asciiFolded(localName) == asciiFolded(name)) viewSources << name;
        QStringList localDefs;
        QList<const Column*> localColumns;
        for (const Column& c : columns) {
            if (!c.local) continue;
            localDefs << definition(c, c.localName);
            localColumns << &c;
        }
        if (localDefs.isEmpty()) {
            localDefs << QStringLiteral("\"Solo locale\" text");
        }
        out.localSql += QStringLiteral("CREATE TABLE %1 (%2);\n")
                            .arg(quoted(localName), localDefs.join(QStringLiteral(", ")));
        const int rows = r.below(4);
        for (int row = 0; row < rows; ++row) {
            QStringList values;
            for (const Column* c : localColumns)
                values << (c->primaryKey || c->identity ? QString::number(row + 1)
                                                        : value(r, c->type.kind, !c->notNull));
            if (localColumns.isEmpty()) values << value(r, Type::Text);
            out.localSql += QStringLiteral("INSERT INTO %1 VALUES (%2);\n")
                                .arg(quoted(localName), values.join(QStringLiteral(", ")));
        }
        // SQL Server refuses such a column for a table with rows, and so do we.
        for (const Column& c : columns)
            if (!c.local && rows > 0 && c.notNull && !c.identity &&
                (c.defaultText.isEmpty() || c.defaultText == u"NULL"))
                out.convergent = false;
    }

    void newTable(const QString& name, const QList<Column>& columns)
    {
        out.newTables << name;
        viewSources << name;
        for (int i = 0; i < r.below(3); ++i) {
            QString index = !takenIndexNames.isEmpty() && r.chance(0.5)
                                ? r.pick(takenIndexNames)
                                : hostileName(r, QStringLiteral("IX_T"), objects);
            if (referenceIndexes.contains(index.toLower())) continue;
            referenceIndexes.insert(index.toLower());
            const Column& c = columns.at(r.below(int(columns.size())));
            out.referenceSql += QStringLiteral("CREATE %1INDEX %2 ON %3 (%4);\n")
                                    .arg(r.chance(0.3) ? QStringLiteral("UNIQUE ") : QString(),
                                         quoted(index), quoted(name), quoted(c.name));
        }
    }

    // A chain of views, each using the next one, listed before it.
    void views()
    {
        if (viewSources.isEmpty()) return;
        const int depth = r.below(4);
        QStringList names;
        for (int i = 0; i < depth; ++i) {
            names << hostileName(r, QStringLiteral("V%1").arg(QChar(u'a' + i)), objects);
            // A view is created under the name the comparison looks for, without
            // leading blanks: a view using it by its reference name would not find it.
            if (i > 0) names.last() = names.last().trimmed();
        }
        for (int i = depth - 1; i >= 0; --i) {
            const QString source = i + 1 < depth ? names.at(i + 1) : r.pick(viewSources);
            QString body = QStringLiteral("SELECT * FROM %1").arg(quoted(source));
            if (r.chance(0.5) && !localOnlyTables.isEmpty())
                body = QStringLiteral("SELECT /* nota") + kGo + QStringLiteral("DROP TABLE ") +
                       quoted(r.pick(localOnlyTables)) + kGo + QStringLiteral("*/ * FROM ") +
                       quoted(source);
            if (r.chance(0.3))
                body += QStringLiteral(" WHERE 'a") + kGo + QStringLiteral("b' <> ''");
            out.referenceSql +=
                QStringLiteral("CREATE VIEW %1 AS %2;\n").arg(quoted(names.at(i)), body);
        }
    }

    void parameters()
    {
        out.referenceSql +=
            QStringLiteral("INSERT INTO Parametri VALUES (1, 'Versione', '4.%1', NULL);\n")
                .arg(r.below(100));
        out.localSql += QStringLiteral("INSERT INTO Parametri VALUES (1, 'Versione', '4.0', NULL), "
                                       "(2, 'Azienda', 'Bellini', NULL);\n");
        QStringList keys{QStringLiteral("3"), QStringLiteral("'abc'"), QStringLiteral("4.0")};
        if (!localOnlyTables.isEmpty())
            keys << literal(QStringLiteral("7; DELETE FROM ") + quoted(r.pick(localOnlyTables)));
        for (const QString& key : keys)
            if (r.chance(0.6))
                out.referenceSql +=
                    QStringLiteral("INSERT INTO Parametri VALUES (%1, 'p', 'v', 'n');\n").arg(key);
    }
};

} // namespace

FuzzCase generateFuzzCase(quint64 seed)
{
    Generator g(seed);
    // The comparison always lists this view; the reference must have it to turn green.
    g.out.referenceSql =
        QStringLiteral("CREATE VIEW VProdotti AS SELECT idProdotto FROM prodotti;\n");
    for (int n = 0; n < 1 + g.r.below(2); ++n)
        g.localOnlyTable(n);
    for (int n = 0; n < 1 + g.r.below(4); ++n)
        g.table(n);
    g.views();
    g.parameters();
    return g.out;
}

} // namespace corvane::test
