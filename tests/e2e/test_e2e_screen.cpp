// The real window on a virtual X display, photographed while a long run
// holds it disabled: the phase text must be legible then.
#include "e2eworld.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QtTest>

using namespace corvane::e2e;

namespace {

// FrameInfo's light yellow (red 255, green 255, blue 128).
const QRgb kFrameYellow = qRgb(255, 255, 128);

// A virtual display of its own, on the first free number.
class VirtualDisplay
{
public:
    bool start()
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        if (!m_server.waitForStarted()) return false;
        QByteArray out;
        while (!out.contains('\n') && m_server.waitForReadyRead(10000))
            out += m_server.readAllStandardOutput();
        m_name = QStringLiteral(":") + QString::fromLatin1(out.trimmed());
        return out.trimmed().toInt() > 0 || out.trimmed() == "0";
    }
    ~VirtualDisplay()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) m_server.kill();
    }
    const QString& name() const { return m_name; }

    QImage grab(const QString& file) const
    {
        QProcess import;
        import.start(QStringLiteral("import"),
                     {"-display", m_name, "-window", "root", QStringLiteral("png:") + file});
        if (!import.waitForFinished(20000) || import.exitCode() != 0) return {};
        return QImage(file);
    }

private:
    QProcess m_server;
    QString m_name;
};

// The part of the picture painted in the frame's yellow.
QRect yellowArea(const QImage& image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (kFrameYellow & 0xFFFFFF))
                area |= QRect(x, y, 1, 1);
    return area;
}

int darkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 96) ++dark;
    return dark;
}

} // namespace

class TestEndToEndScreen : public QObject
{
    Q_OBJECT
private slots:
    void phaseTextIsDarkWhileTheWindowWorks()
    {
#ifdef Q_OS_WIN
        QSKIP("the window on Windows draws on no X display for Xvfb and import to photograph");
#endif
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
            QSKIP("Xvfb or ImageMagick's import is not installed (scripts/setup installs them)");
        VirtualDisplay display;
        QVERIFY(display.start());

        World w;
        // Six seconds of download, with the window disabled all along.
        QFile exe(w.ftpFolder + "/CORVANE.EXE");
        QVERIFY(exe.open(QIODevice::Append));
        exe.write(QByteArray(6 * 1024 * 1024, '\0'));
        exe.close();
        w.startFtp({"--rate", "1000000"});
        QProcess run;
        QProcessEnvironment env = w.environment();
        env.insert(QStringLiteral("DISPLAY"), display.name());
        run.setProcessEnvironment(env);
        w.start(run, {"/A"});

        // The download is under way once the two version checks before it
        // (start-up, comparison) have fetched VERSIONE.TXT.
        QElapsedTimer t;
        t.start();
        while (w.runLog().count("fetched /distributori/CORVANE/VERSIONE.TXT") < 2 &&
               t.elapsed() < 30000)
            QTest::qWait(100);
        QVERIFY2(!w.runLog().contains("CORVANE.EXE"), "the download ended too soon");
        QTest::qWait(1000);

        const QString file =
            QCoreApplication::applicationDirPath() + QStringLiteral("/lblinfo-during-run.png");
        const QImage picture = display.grab(file);
        const bool stillDownloading = !w.runLog().contains("CORVANE.EXE");
        run.kill();
        run.waitForFinished();
        QVERIFY2(!picture.isNull(), "no picture of the display");
        QVERIFY(stillDownloading);

        const QRect frame = yellowArea(picture);
        QVERIFY2(frame.width() > 400 && frame.height() > 50, "FrameInfo is not on the screen");
        // Inside the frame's border: the caption and the phase text.
        const QRect inside = frame.adjusted(4, 4, -4, -4);
        const int dark = darkPixels(picture, inside);
        QVERIFY2(dark > 300, qPrintable(QStringLiteral("only %1 dark pixels in the phase text; "
                                                       "picture in %2")
                                            .arg(dark)
                                            .arg(file)));
    }
};

QTEST_GUILESS_MAIN(TestEndToEndScreen)
#include "test_e2e_screen.moc"
