// The compiled-in images: each loads with the size and colour depth its picture box
// expects, the animation frames really turn the icon, and the Windows icon file holds the
// same picture as the window icon.

#include "ui/images.h"

#include <QImage>
#include <QImageReader>
#include <QtTest>

namespace {

QImage load(const char *path)
{
    return QImage(QString::fromLatin1(path));
}

// The columns and rows that hold an opaque pixel.
QRect opaqueBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int distinctPixels(const QImage &image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

}  // namespace

class TestImages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void icons_data();
    void icons();
    void animationTurnsTheIcon();
    void bitmaps_data();
    void bitmaps();
    void bitmapsDiffer();
    void windowsIconMatchesWindowIcon();
};

void TestImages::icons_data()
{
    QTest::addColumn<int>("frame");
    for (int i = 0; i < 5; ++i)
        QTest::addRow("frame %d", i) << i;
}

void TestImages::icons()
{
    QFETCH(int, frame);
    const QImage image = load(ui::images::frames[frame]);
    QVERIFY2(!image.isNull(), ui::images::frames[frame]);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.depth(), 1);
    QCOMPARE(image.colorCount(), 2);
    QCOMPARE(distinctPixels(image), 2);
}

void TestImages::animationTurnsTheIcon()
{
    // Frame 0 is the window icon itself, not a copy that could drift from it.
    QCOMPARE(QLatin1String(ui::images::frames[0]), QLatin1String(ui::images::icon));

    const QRect icon = opaqueBounds(load(ui::images::icon));
    int previousWidth = icon.width();
    for (int i = 1; i < 5; ++i) {
        const QRect b = opaqueBounds(load(ui::images::frames[i]));
        QVERIFY2(b.width() < previousWidth, qPrintable(QStringLiteral("frame %1").arg(i)));
        previousWidth = b.width();
        // Turning about the vertical axis keeps the height and stays on the image's middle.
        QVERIFY(qAbs(b.top() - icon.top()) <= 1);
        QVERIFY(qAbs(b.bottom() - icon.bottom()) <= 1);
        QVERIFY(b.left() < 16 && b.right() >= 16);
    }
    // Edge-on: a thin bar.
    QVERIFY(previousWidth <= 3);
}

void TestImages::bitmaps_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("A") << QString::fromLatin1(ui::images::bitmapA);
    QTest::newRow("B") << QString::fromLatin1(ui::images::bitmapB);
}

void TestImages::bitmaps()
{
    QFETCH(QString, path);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(50, 50));
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.colorCount(), 256);
    // A decorative picture, not a flat fill.
    QVERIFY(distinctPixels(image) > 16);
}

void TestImages::bitmapsDiffer()
{
    QVERIFY(load(ui::images::bitmapA) != load(ui::images::bitmapB));
}

void TestImages::windowsIconMatchesWindowIcon()
{
    // Read by Qt's ico plugin, which is part of Qt's base module.
    QImageReader reader(QStringLiteral(LOTARIN_SOURCE_DIR "/ui/images/Tombal.ico"));
    QCOMPARE(reader.imageCount(), 1);
    const QImage ico = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!ico.isNull(), qPrintable(reader.errorString()));
    const QImage png = load(ui::images::icon).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(ico.size(), png.size());
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QRgb a = ico.pixel(x, y), b = png.pixel(x, y);
            QCOMPARE(qAlpha(a), qAlpha(b));
            if (qAlpha(b) != 0)
                QCOMPARE(a, b);
        }
    }
}

QTEST_GUILESS_MAIN(TestImages)
#include "tst_images.moc"
