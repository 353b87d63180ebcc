// Which family stands for "MS Sans Serif": the real one where installed.
#include "gui/formfont.h"

#include <QtTest>

using corvane::gui::formFamilyFor;

class TestFormFont : public QObject
{
    Q_OBJECT

private slots:
    void formFamily_data()
    {
        QTest::addColumn<QStringList>("families");
        QTest::addColumn<QString>("expected");
        const QString ms = QStringLiteral("MS Sans Serif");
        const QString liberation = QStringLiteral("Liberation Sans");
        QTest::newRow("Windows: itself") << QStringList{"Arial", ms, liberation} << ms;
        QTest::newRow("any letter case") << QStringList{"ms sans serif"} << ms;
        QTest::newRow("Linux with Liberation")
            << QStringList{"DejaVu Sans", liberation} << liberation;
        QTest::newRow("neither: the system's") << QStringList{"DejaVu Sans"} << "System Sans";
        QTest::newRow("a near name is not it")
            << QStringList{"MS Sans Serif Bold"} << "System Sans";
    }

    void formFamily()
    {
        QFETCH(QStringList, families);
        QFETCH(QString, expected);
        QCOMPARE(formFamilyFor(families, QStringLiteral("System Sans")), expected);
    }
};

QTEST_GUILESS_MAIN(TestFormFont)
#include "test_formfont.moc"
