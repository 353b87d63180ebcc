#include "testfiles.h"

#include "hostprocess.h"
#include "testplatform.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace corvane::test {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString testSourcePath(const QString& relative)
{
    return QDir(QStringLiteral(CORVANE_TEST_SOURCE_DIR)).filePath(relative);
}

QString readTestSource(const QString& relative)
{
    QFile file(testSourcePath(relative));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read tests/" + relative.toStdString());
    return QString::fromUtf8(file.readAll());
}

bool matchesGolden(const QString& relative, const QString& actual)
{
    QStringList lines = readTestSource(relative).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.startsWith(QLatin1Char('#')); });
    const QString expected =
        lines.join(QLatin1Char('\n'))
            .replace(QStringLiteral("{YEAR}"), QString::number(QDate::currentDate().year()));
    if (actual == expected) return true;
    QString name = relative;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QFile out(QDir::current().filePath(name + QStringLiteral(".actual")));
    if (out.open(QIODevice::WriteOnly)) out.write(actual.toUtf8());
    qWarning("differs from tests/%s; actual written to %s", qPrintable(relative),
             qPrintable(out.fileName()));
    return false;
}

QString buildPe(const QString& out, const QString& arch, const QStringList& options)
{
    const HostRun run =
        runOnHost(QStringLiteral("/bin/bash"),
                  QStringList{testSourcePath(QStringLiteral("ftpupdate/pe/buildpe.sh")),
                              hostPath(out), arch} +
                      options);
    if (!run.finished) return run.error;
    if (run.exitCode != 0) return QString::fromUtf8(run.err);
    return {};
}

} // namespace corvane::test
