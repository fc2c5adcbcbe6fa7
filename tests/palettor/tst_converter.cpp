#include "contracts/runtimeerror.h"
#include "palettor/converter.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

// What the PNG file itself says about its pixels: IHDR fields and the PLTE size.
struct PngFacts {
    int bitDepth = -1;
    int colourType = -1;
    int interlace = -1;
    int paletteEntries = -1;
};

PngFacts readPngFacts(const QString &path)
{
    QFile file(path);
    PngFacts facts;
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return facts;
    for (qsizetype at = 8; at + 8 <= bytes.size();) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at);
        const QByteArray type = bytes.mid(at + 4, 4);
        const char *data = bytes.constData() + at + 8;
        if (type == "IHDR") {
            facts.bitDepth = quint8(data[8]);
            facts.colourType = quint8(data[9]);
            facts.interlace = quint8(data[12]);
        } else if (type == "PLTE") {
            facts.paletteEntries = int(length / 3);
        }
        at += 12 + qsizetype(length);
    }
    return facts;
}

// A map-like picture: ten flat class colours in bands and a black outline, optionally with
// antialiased circles, which bring in hundreds of blended colours.
QImage mapPicture(int width, int height, bool antialiased)
{
    static const QRgb classes[] = {0xfff7fbff, 0xffdeebf7, 0xffc6dbef, 0xff9ecae1, 0xff6baed6,
                                   0xff4292c6, 0xff2171b5, 0xff08519c, 0xff08306b, 0xffff0000};
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    for (int i = 0; i < 10; ++i) {
        painter.setBrush(QColor::fromRgb(classes[i]));
        painter.setPen(Qt::black);
        if (antialiased)
            painter.drawEllipse(QPointF(width * (i + 0.5) / 10, height / 2.0), width / 14.0,
                                height / 3.0);
        else
            painter.drawRect(width * i / 10, height / 4, width / 10 - 1, height / 2);
    }
    return image;
}

QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
    return image;
}

double meanColourError(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class TestConverter : public QObject {
    Q_OBJECT

private slots:
    // A fresh folder per case, so each case sees only its own files.
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void writesPalettePng_data()
    {
        QTest::addColumn<QImage>("picture");
        // Mean colour error allowed after reduction; 0: every pixel exactly as before.
        QTest::addColumn<double>("tolerance");
        QTest::newRow("flat map") << mapPicture(400, 250, false) << 0.0;
        QTest::newRow("antialiased map") << mapPicture(400, 250, true) << 3.0;
        QTest::newRow("gradient, 65536 colours") << gradientPicture(256, 256) << 8.0;
        QTest::newRow("one pixel") << mapPicture(1, 1, false) << 0.0;
        QTest::newRow("one colour") << QImage(QSize(37, 11), QImage::Format_RGB32) << 0.0;
    }

    void writesPalettePng()
    {
        QFETCH(QImage, picture);
        QFETCH(double, tolerance);
        if (picture.size() == QSize(37, 11))
            picture.fill(qRgb(12, 34, 56));
        const QString bmp = dir().filePath("Map.bmp"), png = dir().filePath("map.png");
        QVERIFY(picture.save(bmp, "BMP"));

        Converter converter;
        converter.setBmpFile(bmp);
        converter.setPNGFile(png);
        QVERIFY(converter.Convert());

        const PngFacts facts = readPngFacts(png);
        QCOMPARE(facts.bitDepth, 8);
        QCOMPARE(facts.colourType, 3); // palette
        QCOMPARE(facts.interlace, 0);
        QVERIFY(facts.paletteEntries >= 1 && facts.paletteEntries <= 256);

        const QImage back = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.size(), picture.size());
        if (tolerance == 0.0)
            QCOMPARE(back, picture.convertToFormat(QImage::Format_RGB32));
        else
            QVERIFY2(meanColourError(back, picture) < tolerance,
                     qPrintable(QString::number(meanColourError(back, picture))));
    }

    void gifWinsWhenBothSet()
    {
        const QImage picture = mapPicture(200, 120, false);
        const QString bmp = dir().filePath("Legend.bmp");
        QVERIFY(picture.save(bmp, "BMP"));
        Converter converter;
        converter.setBmpFile(bmp);
        converter.setPNGFile(dir().filePath("out.png"));
        converter.setGifFile(dir().filePath("out.gif"));
        QVERIFY(converter.Convert());

        QVERIFY(!QFile::exists(dir().filePath("out.png")));
        QFile gif(dir().filePath("out.gif"));
        QVERIFY(gif.open(QIODevice::ReadOnly));
        QVERIFY(gif.read(4) == "GIF8");
        // The colour map size is a power of two: 11 colours need a 16-entry map.
        gif.seek(10);
        const quint8 flags = quint8(gif.read(1).at(0));
        QVERIFY(flags & 0x80);
        QCOMPARE(2 << (flags & 7), 16);
        gif.close();
        const QImage back = QImage(gif.fileName()).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back, picture);
    }

    void nothingToConvert_data()
    {
        QTest::addColumn<QString>("bmp");
        QTest::addColumn<QString>("png");
        QTest::addColumn<QString>("gif");
        QTest::newRow("missing input") << "absent.bmp" << "out.png" << "out.gif";
        QTest::newRow("input is a folder") << "." << "out.png" << "";
        QTest::newRow("no input named") << "" << "out.png" << "";
        QTest::newRow("no output named") << "Map.bmp" << "" << "";
    }

    void nothingToConvert()
    {
        QFETCH(QString, bmp);
        QFETCH(QString, png);
        QFETCH(QString, gif);
        QVERIFY(mapPicture(20, 20, false).save(dir().filePath("Map.bmp"), "BMP"));
        auto path = [this](const QString &name) {
            return name.isEmpty() ? name : dir().filePath(name);
        };
        Converter converter;
        converter.setBmpFile(path(bmp));
        converter.setPNGFile(path(png));
        converter.setGifFile(path(gif));
        QVERIFY(!converter.Convert());
        QCOMPARE(QDir(dir().path()).entryList(QDir::Files), QStringList{"Map.bmp"});
    }

    // Failures are failed calls with a text, and an earlier output file stays whole.
    void failuresKeepOldOutput_data()
    {
        QTest::addColumn<QByteArray>("bmpBytes");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("garbage bitmap") << QByteArray("BM this is no bitmap") << "old.png"
                                        << 481 << "Invalid picture";
        QTest::newRow("empty bitmap") << QByteArray() << "old.png" << 481 << "Invalid picture";
        QTest::newRow("missing folder") << QByteArray() << "no/such/dir/x.png" << -2147467259
                                        << "Writing png file failed";
        QTest::newRow("gif in missing folder") << QByteArray() << "no/such/dir/x.gif"
                                               << -2147467259 << "Writing gif file failed";
    }

    void failuresKeepOldOutput()
    {
        QFETCH(QByteArray, bmpBytes);
        QFETCH(QString, target);
        QFETCH(int, number);
        QFETCH(QString, text);
        const QString bmp = dir().filePath("Map.bmp");
        if (bmpBytes.isEmpty() && number != 481) {
            QVERIFY(mapPicture(30, 30, false).save(bmp, "BMP"));
        } else {
            QFile file(bmp);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bmpBytes);
        }
        QFile old(dir().filePath("old.png"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous content");
        old.close();

        Converter converter;
        converter.setBmpFile(bmp);
        if (target.endsWith(".gif"))
            converter.setGifFile(dir().filePath(target));
        else
            converter.setPNGFile(dir().filePath(target));
        try {
            converter.Convert();
            QFAIL("Convert did not fail");
        } catch (const RunTimeError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().startsWith(text), qPrintable(error.description()));
        }
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("previous content"));
        QCOMPARE(QDir(dir().path()).entryList(QDir::Files),
                 (QStringList{"Map.bmp", "old.png"}));
    }

    // The output is an ordinary file: readable by others as the umask allows, like any new file.
    void outputHasOrdinaryPermissions()
    {
        const QString bmp = dir().filePath("Map.bmp");
        QVERIFY(mapPicture(30, 30, false).save(bmp, "BMP"));
        QFile plain(dir().filePath("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        for (const QString &name : {QStringLiteral("p.png"), QStringLiteral("g.gif")}) {
            Converter converter;
            converter.setBmpFile(bmp);
            name.endsWith(".gif") ? converter.setGifFile(dir().filePath(name))
                                  : converter.setPNGFile(dir().filePath(name));
            QVERIFY(converter.Convert());
            QCOMPARE(QFile(dir().filePath(name)).permissions(), plain.permissions());
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QTemporaryDir &dir() { return *m_tmp; }
};

QTEST_MAIN(TestConverter)
#include "tst_converter.moc"
