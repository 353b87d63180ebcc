// Declared column types as the embedded engine keeps them, read back the way
// SQL Server's INFORMATION_SCHEMA.COLUMNS describes them.
#include "db/columntype.h"

#include <QtTest>

using corvane::db::ColumnType;
using corvane::db::parseColumnType;

namespace {

QString text(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("-") : value.toString();
}

} // namespace

class ColumnTypeTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void ColumnTypeTest::parse_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("expected"); // type|length|precision|scale, "-" for none

    QTest::newRow("varchar") << "varchar(50)"
                             << "varchar|50|-|-";
    QTest::newRow("blank before the length") << "nvarchar (120)"
                                             << "nvarchar|120|-|-";
    QTest::newRow("bracket mangled by the engine") << "char] (10"
                                                   << "char|10|-|-";
    QTest::newRow("brackets intact") << "[varchar] (255)"
                                     << "varchar|255|-|-";
    QTest::newRow("no length means one") << "char"
                                         << "char|1|-|-";
    QTest::newRow("max") << "varchar(max)"
                         << "varchar|-1|-|-";
    QTest::newRow("varbinary") << "varbinary(16)"
                               << "varbinary|16|-|-";
    QTest::newRow("decimal") << "decimal(18, 4)"
                             << "decimal|-|18|4";
    QTest::newRow("decimal mangled") << "decimal] (9,2"
                                     << "decimal|-|9|2";
    QTest::newRow("decimal defaults") << "decimal"
                                      << "decimal|-|18|0";
    QTest::newRow("numeric precision only") << "numeric(10)"
                                            << "numeric|-|10|0";
    QTest::newRow("int") << "int"
                         << "int|-|10|0";
    QTest::newRow("INTEGER is int") << "INTEGER"
                                    << "int|-|10|0";
    QTest::newRow("identity arguments are no precision") << "int IDENTITY (1, 1)"
                                                         << "int|-|10|0";
    QTest::newRow("smallint") << "smallint"
                              << "smallint|-|5|0";
    QTest::newRow("tinyint") << "tinyint"
                             << "tinyint|-|3|0";
    QTest::newRow("bigint") << "bigint"
                            << "bigint|-|19|0";
    QTest::newRow("money") << "money"
                           << "money|-|19|4";
    QTest::newRow("smallmoney") << "smallmoney"
                                << "smallmoney|-|10|4";
    QTest::newRow("real") << "real"
                          << "real|-|24|-";
    QTest::newRow("float") << "float"
                           << "float|-|53|-";
    QTest::newRow("float(10) is single") << "float(10)"
                                         << "float|-|24|-";
    QTest::newRow("float(30) is double") << "float(30)"
                                         << "float|-|53|-";
    QTest::newRow("text") << "text"
                          << "text|2147483647|-|-";
    QTest::newRow("ntext") << "ntext"
                           << "ntext|1073741823|-|-";
    QTest::newRow("datetime") << "datetime"
                              << "datetime|-|-|-";
    QTest::newRow("bit") << "bit"
                         << "bit|-|-|-";
    QTest::newRow("upper case") << "NVARCHAR(20)"
                                << "nvarchar|20|-|-";
    QTest::newRow("no type at all") << ""
                                    << "|-|-|-";
    QTest::newRow("garbage length") << "varchar(abc)"
                                    << "varchar|1|-|-";
}

void ColumnTypeTest::parse()
{
    QFETCH(QString, declared);
    QFETCH(QString, expected);
    const ColumnType type = parseColumnType(declared);
    QCOMPARE(QStringList({type.dataType, text(type.maximumLength), text(type.numericPrecision),
                          text(type.numericScale)})
                 .join('|'),
             expected);
}

QTEST_GUILESS_MAIN(ColumnTypeTest)
#include "test_columntype.moc"
