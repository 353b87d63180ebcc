#include "tdstestserver.h"

#include "helperprocess.h"
#include "testplatform.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSaveFile>

namespace corvane::test {

namespace {

QJsonValue jsonOf(const QVariant& value)
{
    if (value.isNull()) return QJsonValue::Null;
    return QJsonValue::fromVariant(value);
}

// Trailing blanks of a line made visible, so that a golden file keeps them.
QString visibleEnd(QString line)
{
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1) == u' ')
        --end;
    return line.left(end) + QString(line.size() - end, QChar(0x00B7));
}

void appendIndented(QString& out, const QString& text)
{
    const QStringList lines =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (const QString& line : lines)
        out += QStringLiteral("    ") + visibleEnd(line) + u'\n';
}

} // namespace

TdsRule TdsRule::exact(const QString& sql)
{
    TdsRule r;
    r.m_json[QStringLiteral("sql")] = sql;
    return r;
}

TdsRule TdsRule::like(const QString& regex)
{
    TdsRule r;
    r.m_json[QStringLiteral("like")] = regex;
    return r;
}

TdsRule& TdsRule::columns(const QList<QPair<QString, QString>>& columns)
{
    QJsonArray list;
    for (const auto& [name, type] : columns)
        list.append(QJsonArray{name, type});
    m_json[QStringLiteral("columns")] = list;
    if (!m_json.contains(QStringLiteral("rows"))) m_json[QStringLiteral("rows")] = QJsonArray();
    return *this;
}

TdsRule& TdsRule::row(const QVariantList& values)
{
    QJsonArray row;
    for (const QVariant& v : values)
        row.append(jsonOf(v));
    QJsonArray rows = m_json.value(QStringLiteral("rows")).toArray();
    rows.append(row);
    m_json[QStringLiteral("rows")] = rows;
    return *this;
}

TdsRule& TdsRule::rowCount(int rows)
{
    m_json[QStringLiteral("rowcount")] = rows;
    return *this;
}

TdsRule& TdsRule::error(int number, const QString& text, int severity, int state)
{
    m_json[QStringLiteral("error")] = QJsonObject{{QStringLiteral("number"), number},
                                                  {QStringLiteral("class"), severity},
                                                  {QStringLiteral("state"), state},
                                                  {QStringLiteral("text"), text}};
    return *this;
}

TdsRule& TdsRule::values(const QStringList& shown)
{
    m_json[QStringLiteral("values")] = QJsonArray::fromStringList(shown);
    return *this;
}

TdsRule& TdsRule::after(const QString& regex)
{
    m_json[QStringLiteral("after")] = regex;
    return *this;
}

TdsRule& TdsRule::times(int count)
{
    m_json[QStringLiteral("times")] = count;
    return *this;
}

TdsTestServer::TdsTestServer()
{
    writeScript();
}

TdsTestServer::~TdsTestServer()
{
    stopTestServer(m_process);
}

void TdsTestServer::setLogins(const QMap<QString, QString>& logins)
{
    QJsonObject map;
    for (auto it = logins.cbegin(); it != logins.cend(); ++it)
        map[it.key()] = it.value();
    m_script[QStringLiteral("logins")] = map;
    writeScript();
}

void TdsTestServer::setDatabases(const QStringList& databases)
{
    m_script[QStringLiteral("databases")] = QJsonArray::fromStringList(databases);
    writeScript();
}

void TdsTestServer::setRules(const QList<TdsRule>& rules)
{
    m_rules = rules;
    writeScript();
}

void TdsTestServer::addRules(const QList<TdsRule>& rules)
{
    m_rules += rules;
    writeScript();
}

void TdsTestServer::writeScript()
{
    QJsonArray rules;
    for (const TdsRule& r : std::as_const(m_rules))
        rules.append(r.json());
    m_script[QStringLiteral("rules")] = rules;
    // Written whole and renamed: the server never reads half a script.
    QSaveFile file(m_dir.filePath(QStringLiteral("script.json")));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(m_script).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

bool TdsTestServer::start()
{
    return launch(QStringLiteral("127.0.0.1"), 0);
}

bool TdsTestServer::startOnDefaultPort()
{
    auto* random = QRandomGenerator::global();
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString host = QStringLiteral("127.%1.%2.%3")
                                 .arg(random->bounded(1, 255))
                                 .arg(random->bounded(0, 256))
                                 .arg(random->bounded(1, 255));
        if (launch(host, 1433)) return true;
    }
    return false;
}

bool TdsTestServer::launch(const QString& host, int port)
{
    const QByteArray line = startTestServer(
        m_process, QStringLiteral("tdsserver.py"),
        {QStringLiteral("--script"), hostPath(m_dir.filePath(QStringLiteral("script.json"))),
         QStringLiteral("--transcript"),
         hostPath(m_dir.filePath(QStringLiteral("transcript.jsonl"))), QStringLiteral("--host"),
         host, QStringLiteral("--port"), QString::number(port)},
        m_errors);
    const QList<QByteArray> words = line.split(' ');
    if (words.size() == 3 && words[0] == "PORT") {
        m_host = QString::fromUtf8(words[1]);
        m_port = words[2].toInt();
        return true;
    }
    // An address already taken ("ERROR ..."): the caller may try another.
    if (m_errors.isEmpty()) m_errors = QString::fromUtf8(line);
    stopTestServer(m_process);
    return false;
}

QString TdsTestServer::dataSource() const
{
    return QStringLiteral("%1,%2").arg(m_host).arg(m_port);
}

QString TdsTestServer::errors() const
{
    return m_errors + QString::fromUtf8(const_cast<HostProcess&>(m_process).standardError());
}

QList<TdsRequest> TdsTestServer::requests(bool withSession) const
{
    QList<TdsRequest> list;
    QFile file(m_dir.filePath(QStringLiteral("transcript.jsonl")));
    if (!file.open(QIODevice::ReadOnly)) return list;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.trimmed().isEmpty()) continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        TdsRequest r;
        r.connection = o.value(QStringLiteral("conn")).toInt();
        r.kind = o.value(QStringLiteral("kind")).toString();
        r.proc = o.value(QStringLiteral("proc")).toString();
        r.text = o.value(QStringLiteral("text")).toString();
        r.params = o.value(QStringLiteral("params")).toString();
        for (const QJsonValue& v : o.value(QStringLiteral("values")).toArray())
            r.values << v.toString();
        r.answer = o.value(QStringLiteral("answer")).toString();
        r.session = o.value(QStringLiteral("session")).toBool();
        if (withSession || !r.session) list << r;
    }
    return list;
}

QString TdsTestServer::transcript(bool withSession) const
{
    return renderTranscript(requests(withSession));
}

QStringList TdsTestServer::unexpected() const
{
    QStringList texts;
    for (const TdsRequest& r : requests(true))
        if (r.kind.startsWith(QLatin1String("unexpected"))) texts << r.text;
    return texts;
}

void TdsTestServer::clearTranscript()
{
    QFile::resize(m_dir.filePath(QStringLiteral("transcript.jsonl")), 0);
}

QString renderTranscript(const QList<TdsRequest>& requests)
{
    QString out;
    for (const TdsRequest& r : requests) {
        out += QStringLiteral("[%1] %2").arg(r.connection).arg(r.proc.isEmpty() ? r.kind : r.proc);
        if (r.kind == u"login") out += u' ' + r.text;
        if (!r.answer.isEmpty()) out += QStringLiteral(" -> ") + r.answer;
        out += u'\n';
        if (r.kind == u"login") continue;
        if (!r.text.isEmpty()) appendIndented(out, r.text);
        if (!r.params.isEmpty()) out += QStringLiteral("  params: ") + r.params + u'\n';
        if (!r.values.isEmpty())
            out += QStringLiteral("  values: ") + r.values.join(QStringLiteral(", ")) + u'\n';
    }
    return out;
}

} // namespace corvane::test
