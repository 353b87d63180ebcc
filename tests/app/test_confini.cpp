#include "app/confini.h"
#include "base/error.h"

#include <QBuffer>
#include <QtTest>

using namespace corvane;

class TestConfIni : public QObject
{
    Q_OBJECT
private slots:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const QStringList five{"a", "b", "c", "d", "e"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\nd\r\ne\r\n") << five;
        QTest::newRow("LF") << QByteArray("a\nb\nc\nd\ne\n") << five;
        QTest::newRow("CR") << QByteArray("a\rb\rc\rd\re\r") << five;
        QTest::newRow("no final terminator") << QByteArray("a\nb\nc\nd\ne") << five;
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF"
                                           "a\r\nb\r\nc\r\nd\r\ne")
                             << five;
        QTest::newRow("more lines ignored") << QByteArray("a\nb\nc\nd\ne\nf\ng\n") << five;
        QTest::newRow("empty lines count")
            << QByteArray("\r\n\r\n\r\n\r\n\r\n") << QStringList{"", "", "", "", ""};
        QTest::newRow("tabs and spaces kept for the caller")
            << QByteArray(" a \n\tb\nc\nd\ne\n") << QStringList{" a ", "\tb", "c", "d", "e"};
        QTest::newRow("UTF-8") << QByteArray("Societ\xC3\xA0\nb\nc\nd\ne\n")
                               << QStringList{QString::fromUtf8("Società"), "b", "c", "d", "e"};
        QTest::newRow("ANSI") << QByteArray("Societ\xE0\nb\nc\nd\ne\n")
                              << QStringList{QString::fromUtf8("Società"), "b", "c", "d", "e"};
        // Windows-1252, not Latin-1: 0x80 to 0x9F are letters and signs there.
        QTest::newRow("ANSI euro") << QByteArray("srv\nsa\nP\x80ss\x9Aw\x92rd\nd\nCaff\xE8\x80\n")
                                   << QStringList{"srv", "sa", QString::fromUtf8("P€ssšw’rd"), "d",
                                                  QString::fromUtf8("Caffè€")};
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(readSettingLines(buffer, 5), expected);
    }

    void tooShort_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("four lines") << QByteArray("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("four lines and a BOM") << QByteArray("\xEF\xBB\xBF"
                                                            "a\nb\nc\nd\n");
        QTest::newRow("binary without line ends") << QByteArray(5000, '\x01');
    }
    void tooShort()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        try {
            readSettingLines(buffer, 5);
            QFAIL("fewer than five lines were accepted");
        } catch (const Error& e) {
            QCOMPARE(e.number(), errnum::InputPastEndOfFile);
        }
    }

    void controlCharactersRefused_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("refused"); // the code point named, "" when accepted
        QTest::newRow("NUL first") << QStringLiteral("\0sqlite:/x") << "0000";
        QTest::newRow("NUL inside") << QStringLiteral("Bell\0ini") << "0000";
        QTest::newRow("escape") << QStringLiteral("srv\x1B") << "001B";
        QTest::newRow("DEL") << QStringLiteral("srv\x7F") << "007F";
        QTest::newRow("C1 control") << QStringLiteral("srv\u0085") << "0085";
        QTest::newRow("tab kept") << QStringLiteral("\tsrv\t") << "";
        QTest::newRow("letters and signs") << QString::fromUtf8("Caffè€ ’š") << "";
        QTest::newRow("empty") << QString() << "";
    }
    void controlCharactersRefused()
    {
        QFETCH(QString, line);
        QFETCH(QString, refused);
        const QString file = QStringLiteral("C:\\Corvane\\conf.ini");
        try {
            checkSettingLine(line, 3, file);
            QVERIFY2(refused.isEmpty(), "a control character was accepted");
        } catch (const Error& e) {
            QVERIFY2(!refused.isEmpty(), qPrintable(e.description()));
            QCOMPARE(e.description(),
                     file + QStringLiteral(", line 3: control character U+") + refused);
        }
    }

    // A huge file is read only as far as the five lines go.
    void readsOnlyWhatItNeeds()
    {
        QByteArray bytes("a\nb\nc\nd\ne\n");
        bytes.append(QByteArray(10 * 1024 * 1024, 'x'));
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(readSettingLines(buffer, 5).size(), 5);
        QVERIFY(buffer.pos() <= 64 * 1024);
    }
};

QTEST_GUILESS_MAIN(TestConfIni)
#include "test_confini.moc"
