#pragma once

#include <QString>
#include <optional>

// Reading the embedded engine's own statement texts (as it stores them in
// its schema table) just far enough to rename or extend them.
namespace corvane::schema {

// "name" with every " doubled: how the embedded engine quotes identifiers
// (brackets there have no escape for a "]" inside).
QString quoteEmbeddedName(const QString& name);

// Where a name stands in a statement, and the name itself without quotes.
struct NameInText
{
    qsizetype begin = 0;
    qsizetype length = 0;
    QString name;
};

// The index name of a CREATE [UNIQUE] INDEX [IF NOT EXISTS] [schema.]name text.
std::optional<NameInText> createIndexName(const QString& sql);
// The view name of a CREATE [TEMP] VIEW [IF NOT EXISTS] [schema.]name text.
std::optional<NameInText> createViewName(const QString& sql);

// A CREATE TABLE name (...) text: its name, and where a new column definition
// goes (right after the last column definition, before any table constraint).
// Empty for CREATE TABLE ... AS SELECT and for what cannot be read.
struct TableText
{
    NameInText name;
    qsizetype afterLastColumn = 0;
};
std::optional<TableText> createTableText(const QString& sql);

// True when the text is one expression: parentheses balanced, no comma, no
// semicolon and nothing left open at the top level.
bool isSingleExpression(const QString& expression);

// A default as SQL Server writes it, in the embedded engine's words: the
// current time and new identifiers come from the engine's own functions,
// N'...' literals lose their N.
QString embeddedDefault(const QString& expression);

} // namespace corvane::schema
