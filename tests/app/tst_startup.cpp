#include "app/AppIcons.h"
#include "app/QZMApp.h"
#include "editor/QZMView.h"
#include "frame/MainFrame.h"
#include "framework/DialogUnits.h"
#include "framework/FirstFrame.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>

namespace {
class CountingWidget : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

QString FormFontCache()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/form-font");
}

QFont FormFontOfNewStart()
{
    CQZMApp app(QStringList{});
    if (!app.InitInstance())
        return QFont();
    return app.GetView()->Form()->font();
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { QSettings().clear(); }

    // First: nothing in this process has read an image yet.
    void firstFrameLoadsNoImagePlugin()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        // The window has painted (its group boxes among it) before the start ends.
        QVERIFY(app.GetMainFrame()->testAttribute(Qt::WA_Mapped));
        QVERIFY(app.GetShellServer());
#ifdef Q_OS_LINUX
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(!mapped.contains("/imageformats/"), "an image format plugin was loaded at start");
#endif
    }

    void waitsForThePaintedFrame()
    {
        CountingWidget hidden;
        QVERIFY(!WaitForFirstFrame(&hidden, 5000));

        CountingWidget widget;
        widget.resize(100, 80);
        bool timerFired = false;
        QTimer::singleShot(0, &widget, [&] { timerFired = true; });
        widget.show();
        QVERIFY(WaitForFirstFrame(&widget, 5000));
        QVERIFY(widget.paints > 0);
        QVERIFY(timerFired);
        // Painted already: no second wait.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(WaitForFirstFrame(&widget, 5000));
        QVERIFY(clock.elapsed() < 1000);
    }

    void windowIconIsThePngs()
    {
        const QIcon icon = QZMAppIcon();
        QCOMPARE(icon.availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(64, 64)}));
        InitIconResources();
        for (int size : {16, 32, 48, 64}) {
            QImageReader reader(QStringLiteral(":/icons/%1/qzm.png").arg(size), "png");
            reader.setAutoDetectImageFormat(false);
            const QImage png = QPixmap::fromImage(reader.read()).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY(!png.isNull());
            const QImage shown = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(shown.size(), png.size());
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    QVERIFY2(shown.pixel(x, y) == png.pixel(x, y),
                             qPrintable(QStringLiteral("%1 pixels: at %2,%3 %4 against %5")
                                            .arg(size)
                                            .arg(x)
                                            .arg(y)
                                            .arg(shown.pixel(x, y), 8, 16)
                                            .arg(png.pixel(x, y), 8, 16)));
        }
    }

    void formFontChoiceIsKept()
    {
        QFile::remove(FormFontCache());
        const QFont searched = FormFontOfNewStart();
        QFile cache(FormFontCache());
        QVERIFY(cache.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = cache.readAll().split('\n');
        cache.close();
        QCOMPARE(lines.size(), 3);
        const QByteArray key = lines.at(0);
        QCOMPARE(FormFontOfNewStart(), searched);

        // Another size than the one searched, as a kept choice.
        QFont other = QApplication::font();
        other.setPointSize(8);
        const int otherIndex = searched.pointSizeF() == 7.0 ? 0 : 3;
        if (otherIndex == 3)
            other.setPointSize(7);
        const CDialogUnits units(other);
        auto keep = [&](const QByteArray& choice) {
            QVERIFY(cache.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cache.write(key + '\n' + choice + '\n');
            cache.close();
        };
        // Metrics that do not match what the font measures now: searched again.
        keep(QByteArray::number(otherIndex) + " 1 1");
        QCOMPARE(FormFontOfNewStart(), searched);
        QVERIFY(cache.open(QIODevice::ReadOnly));
        QCOMPARE(cache.readAll().split('\n').value(1), lines.at(1));
        cache.close();
        // Garbage is no choice either.
        keep("x y");
        QCOMPARE(FormFontOfNewStart(), searched);
        // A matching entry is taken without the search.
        keep(QByteArray::number(otherIndex) + ' ' + QByteArray::number(units.X(4)) + ' '
             + QByteArray::number(units.Y(8)));
        QCOMPARE(FormFontOfNewStart().pointSizeF(), other.pointSizeF());
        // Another UI font is another key.
        const QFont before = QApplication::font();
        QFont another = before;
        another.setFamily(before.family() + QStringLiteral(" Mono"));
        QApplication::setFont(another);
        FormFontOfNewStart();
        QApplication::setFont(before);
        QVERIFY(cache.open(QIODevice::ReadOnly));
        QVERIFY(cache.readAll().split('\n').value(0) != key);
        cache.close();
        QFile::remove(FormFontCache());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
