#include "embeddedsql.h"

#include <QList>

namespace corvane::schema {

namespace {

struct Token
{
    enum Kind { Word, Quoted, String, Punct, Unterminated, End };
    Kind kind = End;
    qsizetype begin = 0;
    qsizetype length = 0;
    QString text; // a word as written; a quoted name or string without its quotes

    bool isWord(const char* word) const
    {
        return kind == Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(char c) const { return kind == Punct && text == QLatin1Char(c); }
    bool isName() const { return kind == Word || kind == Quoted || kind == String; }
    qsizetype end() const { return begin + length; }
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() >= 0x80;
}

// The engine's tokens, comments and blanks skipped.
class Scanner
{
public:
    explicit Scanner(const QString& sql) : m_sql(sql) {}

    Token next()
    {
        skipBlanksAndComments();
        Token t;
        t.begin = m_pos;
        if (m_pos >= m_sql.size()) return t;
        const QChar c = m_sql.at(m_pos);
        if (c == u'"' || c == u'`')
            quoted(t, c, c, Token::Quoted);
        else if (c == u'[')
            quoted(t, u'[', u']', Token::Quoted);
        else if (c == u'\'')
            quoted(t, c, c, Token::String);
        else if (isWordChar(c))
            word(t);
        else {
            t.kind = Token::Punct;
            t.text = c;
            ++m_pos;
        }
        t.length = m_pos - t.begin;
        return t;
    }

    bool sawComment() const { return m_sawComment; }

private:
    void skipBlanksAndComments()
    {
        while (m_pos < m_sql.size()) {
            if (m_sql.at(m_pos).isSpace()) {
                ++m_pos;
            } else if (QStringView(m_sql).mid(m_pos, 2) == u"--") {
                m_sawComment = true;
                const qsizetype eol = m_sql.indexOf(u'\n', m_pos);
                m_pos = eol < 0 ? m_sql.size() : eol + 1;
            } else if (QStringView(m_sql).mid(m_pos, 2) == u"/*") {
                m_sawComment = true;
                const qsizetype close = m_sql.indexOf(QStringLiteral("*/"), m_pos + 2);
                m_pos = close < 0 ? m_sql.size() : close + 2;
            } else {
                return;
            }
        }
    }

    // A doubled closing character stands for itself, except in brackets.
    void quoted(Token& t, QChar open, QChar close, Token::Kind kind)
    {
        ++m_pos;
        while (m_pos < m_sql.size()) {
            const QChar c = m_sql.at(m_pos++);
            if (c != close) {
                t.text += c;
            } else if (open != u'[' && m_pos < m_sql.size() && m_sql.at(m_pos) == close) {
                t.text += c;
                ++m_pos;
            } else {
                t.kind = kind;
                return;
            }
        }
        t.kind = Token::Unterminated;
    }

    void word(Token& t)
    {
        while (m_pos < m_sql.size() && isWordChar(m_sql.at(m_pos)))
            t.text += m_sql.at(m_pos++);
        t.kind = Token::Word;
    }

    const QString& m_sql;
    qsizetype m_pos = 0;
    bool m_sawComment = false;
};

NameInText nameOf(const Token& t)
{
    return {t.begin, t.length, t.text};
}

// After "CREATE ... <kind>": [IF NOT EXISTS] [schema.]name; `after` is the
// token that follows the name.
std::optional<NameInText> objectName(Scanner& s, Token t, Token& after)
{
    if (t.isWord("IF")) {
        if (!s.next().isWord("NOT") || !s.next().isWord("EXISTS")) return std::nullopt;
        t = s.next();
    }
    if (!t.isName()) return std::nullopt;
    after = s.next();
    if (after.isPunct('.')) {
        t = s.next();
        if (!t.isName()) return std::nullopt;
        after = s.next();
    }
    return nameOf(t);
}

bool startsTableConstraint(const Token& t)
{
    for (const char* word : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
        if (t.isWord(word)) return true;
    return false;
}

// The name of a CREATE <kind> text, with the words that may come between.
std::optional<NameInText> createdName(const QString& sql, const char* kind,
                                      std::initializer_list<const char*> between)
{
    Scanner s(sql);
    if (!s.next().isWord("CREATE")) return std::nullopt;
    Token t = s.next();
    for (const char* word : between)
        if (t.isWord(word)) t = s.next();
    if (!t.isWord(kind)) return std::nullopt;
    Token after;
    return objectName(s, s.next(), after);
}

} // namespace

QString quoteEmbeddedName(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

std::optional<NameInText> createIndexName(const QString& sql)
{
    return createdName(sql, "INDEX", {"UNIQUE"});
}

std::optional<NameInText> createViewName(const QString& sql)
{
    return createdName(sql, "VIEW", {"TEMP", "TEMPORARY"});
}

std::optional<TableText> createTableText(const QString& sql)
{
    Scanner s(sql);
    if (!s.next().isWord("CREATE")) return std::nullopt;
    Token t = s.next();
    if (t.isWord("TEMP") || t.isWord("TEMPORARY")) t = s.next();
    if (!t.isWord("TABLE")) return std::nullopt;
    Token open;
    const std::optional<NameInText> name = objectName(s, s.next(), open);
    if (!name || !open.isPunct('(')) return std::nullopt;

    TableText table{*name, 0};
    int depth = 1;
    bool itemStart = true;
    bool inConstraints = false;
    qsizetype itemEnd = 0;
    for (t = s.next(); t.kind != Token::End; t = s.next()) {
        if (t.kind == Token::Unterminated) return std::nullopt;
        if (depth == 1 && itemStart) {
            inConstraints = inConstraints || startsTableConstraint(t);
            itemStart = false;
        }
        if (t.isPunct('(')) ++depth;
        if (t.isPunct(')') && --depth == 0) break;
        if (depth == 1 && t.isPunct(',')) {
            if (!inConstraints) table.afterLastColumn = itemEnd;
            itemStart = true;
            continue;
        }
        itemEnd = t.end();
    }
    if (depth != 0) return std::nullopt;
    if (!inConstraints) table.afterLastColumn = itemEnd;
    if (table.afterLastColumn == 0) return std::nullopt;
    return table;
}

bool isSingleExpression(const QString& expression)
{
    Scanner s(expression);
    int depth = 0;
    bool any = false;
    for (Token t = s.next(); t.kind != Token::End; t = s.next()) {
        if (t.kind == Token::Unterminated || t.isPunct(';')) return false;
        if (t.isPunct('(')) ++depth;
        if (t.isPunct(')') && --depth < 0) return false;
        if (depth == 0 && t.isPunct(',')) return false;
        any = true;
    }
    // A comment would swallow what follows the default in the statement.
    return any && depth == 0 && !s.sawComment();
}

QString embeddedDefault(const QString& expression)
{
    QList<Token> tokens;
    Scanner s(expression);
    for (Token t = s.next(); t.kind != Token::End; t = s.next())
        tokens << t;
    // Replaced from the back, so that earlier positions stay valid.
    QString text = expression;
    for (qsizetype i = tokens.size() - 1; i >= 0; --i) {
        const Token& t = tokens.at(i);
        const bool nPrefix = t.isWord("N") && i + 1 < tokens.size() &&
                             tokens.at(i + 1).kind == Token::String &&
                             tokens.at(i + 1).begin == t.end();
        if (nPrefix) {
            text.remove(t.begin, t.length);
            continue;
        }
        // Only a call without arguments: name ( ).
        if (t.kind != Token::Word || i + 2 >= tokens.size() || !tokens.at(i + 1).isPunct('(') ||
            !tokens.at(i + 2).isPunct(')'))
            continue;
        const QString word = t.text.toLower();
        QString engine;
        if (word == u"getdate" || word == u"sysdatetime")
            engine = QStringLiteral("datetime('now', 'localtime')");
        else if (word == u"getutcdate" || word == u"sysutcdatetime")
            engine = QStringLiteral("datetime('now')");
        else if (word == u"newid")
            engine = QStringLiteral("lower(hex(randomblob(16)))");
        else
            continue;
        text.replace(t.begin, tokens.at(i + 2).end() - t.begin, engine);
    }
    return text;
}

} // namespace corvane::schema
