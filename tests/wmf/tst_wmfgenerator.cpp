#include "platform/wmf/wmfgenerator.h"
#include "platform/wmf/wmfrecorder.h"

#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <map>

namespace {

enum Function : quint16 {
    Eof = 0x0000, SaveDC = 0x001E, SetPolyFillMode = 0x0106, RestoreDC = 0x0127,
    SelectObject = 0x012D, DeleteObject = 0x01F0, CreatePen = 0x02FA, CreateFont = 0x02FB,
    CreateBrush = 0x02FC, Polygon = 0x0324, Polyline = 0x0325, IntersectClipRect = 0x0416,
    Ellipse = 0x0418, Rectangle = 0x041B, PolyPolygon = 0x0538, ExtTextOut = 0x0A32,
    StretchDib = 0x0F43,
};

struct Record {
    quint16 function = 0;
    QList<qint16> words; // the parameters as signed 16-bit words
};

// A metafile read back from its bytes; problem names the first fault found.
struct Metafile {
    QList<quint16> placeable; // the 11 words of the placeable header
    quint32 sizeWords = 0;
    quint16 objects = 0;
    quint32 maxRecord = 0;
    QList<Record> records;
    QString problem;

    QList<Record> all(quint16 function) const
    {
        QList<Record> found;
        for (const Record &r : records)
            if (r.function == function)
                found.append(r);
        return found;
    }
};

Metafile readMetafile(const QByteArray &bytes)
{
    Metafile file;
    if (bytes.size() < 40 + 6)
        return file.problem = "too short", file;
    const char *p = bytes.constData();
    for (int i = 0; i < 11; ++i)
        file.placeable.append(qFromLittleEndian<quint16>(p + 2 * i));
    if (qFromLittleEndian<quint16>(p + 22) != 1 || qFromLittleEndian<quint16>(p + 24) != 9 ||
        qFromLittleEndian<quint16>(p + 26) != 0x0300)
        file.problem = "standard header";
    file.sizeWords = qFromLittleEndian<quint32>(p + 28);
    file.objects = qFromLittleEndian<quint16>(p + 32);
    file.maxRecord = qFromLittleEndian<quint32>(p + 34);
    for (qsizetype at = 40; at < bytes.size();) {
        const quint32 size = qFromLittleEndian<quint32>(p + at);
        if (size < 3 || at + qsizetype(size) * 2 > bytes.size())
            return file.problem = QString("record size %1 at %2").arg(size).arg(at), file;
        Record record{qFromLittleEndian<quint16>(p + at + 4), {}};
        for (quint32 w = 3; w < size; ++w)
            record.words.append(qFromLittleEndian<qint16>(p + at + 2 * w));
        file.records.append(record);
        at += qsizetype(size) * 2;
        if (record.function == Eof && at != bytes.size())
            return file.problem = "end record before the end", file;
    }
    if (file.records.isEmpty() || file.records.last().function != Eof)
        file.problem = "no end record";
    return file;
}

QByteArray paint(const QSize &size, const std::function<void(QPainter &)> &draw, int dpi = 96)
{
    WmfGenerator generator;
    generator.setSize(size);
    generator.setResolution(dpi);
    QPainter painter(&generator);
    draw(painter);
    return painter.end() ? generator.data() : QByteArray();
}

// Something of everything a map and a legend draw.
void paintScene(QPainter &p)
{
    p.fillRect(QRect(0, 0, 400, 300), Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 0, 0));
    p.drawPolygon(QPolygonF({QPointF(20, 20), QPointF(120, 30), QPointF(80, 120)}));
    QPainterPath holed;
    holed.addRect(150, 20, 100, 100);
    holed.addRect(175, 45, 50, 50);
    p.setBrush(QColor(0, 128, 0));
    p.drawPath(holed);
    p.setBrush(QColor(0, 0, 255));
    p.drawEllipse(QRectF(280, 20, 100, 60));
    p.setPen(QPen(QColor(255, 140, 0), 3));
    p.drawPolyline(QPolygonF({QPointF(20, 150), QPointF(100, 200), QPointF(180, 150)}));
    p.setPen(QColor(0, 0, 128));
    p.setFont(QFont("DejaVu Sans", 14));
    p.drawText(QRect(20, 220, 200, 30), Qt::AlignRight, "Oslo 12,5");
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    p.drawImage(QRect(340, 220, 40, 40), image);
    p.setClipRect(QRect(0, 250, 200, 50));
    p.setBrush(Qt::cyan);
    p.drawEllipse(QPointF(100, 260), 80, 30);
}

} // namespace

class TestWmfGenerator : public QObject {
    Q_OBJECT

private slots:
    void headerAndChecksum_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("unitsPerPixel");
        QTest::newRow("legend") << QSize(400, 300) << 96 << 16;
        QTest::newRow("map") << QSize(1600, 1000) << 96 << 10;
        QTest::newRow("tall, printer resolution") << QSize(50, 2000) << 300 << 8;
    }

    void headerAndChecksum()
    {
        QFETCH(QSize, size);
        QFETCH(int, dpi);
        QFETCH(int, unitsPerPixel);
        const QByteArray bytes = paint(size, paintScene, dpi);
        const Metafile file = readMetafile(bytes);
        QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
        QCOMPARE(file.placeable[0] | quint32(file.placeable[1]) << 16, 0x9AC6CDD7u);
        const QList<quint16> bounds = file.placeable.mid(3, 4);
        QCOMPARE(bounds, (QList<quint16>{0, 0, quint16(size.width() * unitsPerPixel),
                                         quint16(size.height() * unitsPerPixel)}));
        QCOMPARE(int(file.placeable[7]), dpi * unitsPerPixel);
        quint16 checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= file.placeable[i];
        QCOMPARE(file.placeable[10], checksum);
        QCOMPARE(qsizetype(file.sizeWords), (bytes.size() - 22) / 2);
        quint32 largest = 0;
        for (const Record &r : file.records)
            largest = std::max(largest, quint32(r.words.size() + 3));
        QCOMPARE(file.maxRecord, largest);
    }

    // Objects take the lowest free slot, are selected only while alive, and are all deleted
    // by the end; the header's object count covers the most slots ever in use.
    void objectSlotsAreFreed()
    {
        const Metafile file = readMetafile(paint(QSize(400, 300), [](QPainter &p) {
            paintScene(p);
            for (int i = 0; i < 50; ++i) { // many changes of pen and brush
                p.setPen(QColor(i, 0, 0));
                p.setBrush(QColor(0, i, 0));
                p.drawRect(i, i, 10, 10);
            }
        }));
        QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
        std::vector<bool> live;
        int peak = 0, created = 0;
        for (const Record &r : file.records) {
            if (r.function == CreatePen || r.function == CreateBrush ||
                r.function == CreateFont) {
                auto free = std::find(live.begin(), live.end(), false);
                if (free == live.end())
                    live.push_back(true);
                else
                    *free = true;
                ++created;
                peak = std::max(peak, int(std::count(live.begin(), live.end(), true)));
            } else if (r.function == SelectObject || r.function == DeleteObject) {
                const auto slot = std::size_t(r.words.value(0));
                QVERIFY2(slot < live.size() && live[slot], "object slot not in use");
                if (r.function == DeleteObject)
                    live[slot] = false;
            }
        }
        QVERIFY(created > 100);
        QCOMPARE(std::count(live.begin(), live.end(), true), 0);
        QVERIFY(peak <= 4);
        QCOMPARE(int(file.objects), peak);
    }

    void shapesBecomeRecords_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("fillMode"); // 0: no fill mode expected
        QTest::newRow("polygon") << 0 << int(Polygon) << 1;
        QTest::newRow("region with hole, alternate") << 1 << int(PolyPolygon) << 1;
        QTest::newRow("region with hole, winding") << 2 << int(PolyPolygon) << 2;
        QTest::newRow("polyline") << 3 << int(Polyline) << 0;
        QTest::newRow("ellipse") << 4 << int(Ellipse) << 0;
        QTest::newRow("rectangle") << 5 << int(Rectangle) << 0;
        QTest::newRow("text") << 6 << int(ExtTextOut) << 0;
        QTest::newRow("bitmap") << 7 << int(StretchDib) << 0;
        QTest::newRow("rotated rectangle") << 8 << int(Polygon) << 1;
    }

    void shapesBecomeRecords()
    {
        QFETCH(int, shape);
        QFETCH(int, function);
        QFETCH(int, fillMode);
        const Metafile file = readMetafile(paint(QSize(200, 100), [shape](QPainter &p) {
            p.setBrush(Qt::red);
            QPainterPath path;
            path.addRect(10, 10, 80, 80);
            path.addRect(30, 30, 20, 20);
            path.setFillRule(shape == 2 ? Qt::WindingFill : Qt::OddEvenFill);
            switch (shape) {
            case 0: p.drawPolygon(QPolygon({QPoint(1, 1), QPoint(50, 1), QPoint(20, 40)})); break;
            case 1: case 2: p.drawPath(path); break;
            case 3: p.drawPolyline(QPolygon({QPoint(1, 1), QPoint(50, 1), QPoint(20, 40)})); break;
            case 4: p.drawEllipse(10, 10, 50, 30); break;
            case 5: p.drawRect(10, 10, 50, 30); break;
            case 6: p.drawText(10, 50, "Bergen"); break;
            case 7: p.drawImage(QRect(0, 0, 20, 20), QImage(4, 4, QImage::Format_RGB32)); break;
            case 8: p.rotate(20); p.drawRect(10, 10, 50, 30); break;
            }
        }));
        QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
        QCOMPARE(file.all(quint16(function)).size(), 1);
        const QList<Record> modes = file.all(SetPolyFillMode);
        QCOMPARE(modes.isEmpty() ? 0 : int(modes.last().words.value(0)), fillMode);
    }

    // The painter's transform reaches the file: translate(10, 20), scale 2, at 16 units a pixel.
    void transformedCoordinates()
    {
        const Metafile file = readMetafile(paint(QSize(400, 300), [](QPainter &p) {
            p.translate(10, 20);
            p.scale(2, 2);
            p.drawPolygon(QPolygonF({QPointF(5, 5), QPointF(15, 5), QPointF(15, 10)}));
        }));
        QCOMPARE(file.all(Polygon).value(0).words,
                 (QList<qint16>{3, 320, 480, 640, 480, 640, 640}));
    }

    // Shapes reaching far beyond the picture are cut: no coordinate leaves the 16-bit range
    // (a picture's size around it), and a cut shape gets no outline along the cut.
    void farShapesAreCut()
    {
        const Metafile file = readMetafile(paint(QSize(100, 100), [](QPainter &p) {
            p.setBrush(Qt::gray);
            p.drawPolygon(QPolygonF({QPointF(-1e6, 10), QPointF(50, 10), QPointF(50, 1e6)}));
            p.drawPolyline(QPolygonF({QPointF(-5e5, 50), QPointF(5e5, 50)}));
            p.drawRect(QRectF(-1e5, -1e5, 2e5, 2e5));
        }));
        QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
        const int limit = 100 * 16;
        for (quint16 f : {Polygon, Polyline}) {
            QVERIFY(!file.all(f).isEmpty());
            for (const Record &r : file.all(f))
                for (qsizetype i = 1; i < r.words.size(); ++i)
                    QVERIFY2(r.words[i] >= -limit && r.words[i] <= 2 * limit,
                             qPrintable(QString::number(r.words[i])));
        }
        QVERIFY(file.all(Rectangle).isEmpty());
    }

    // A region that only overhangs the edge of the picture (a map zoomed to its regions) is
    // written whole with its outline: converters that fill polylines would otherwise paint
    // the outline pieces of a cut region as black shapes.
    void overhangingShapesStayWhole()
    {
        const Metafile file = readMetafile(paint(QSize(100, 100), [](QPainter &p) {
            p.setBrush(Qt::gray);
            p.drawPolygon(QPolygonF({QPointF(-3, 10), QPointF(50, -2), QPointF(60, 40)}));
        }));
        QVERIFY2(file.problem.isEmpty(), qPrintable(file.problem));
        QCOMPARE(file.all(Polygon).size(), 1);
        QVERIFY(file.all(Polyline).isEmpty());
    }

    void clipIsSavedAndRestored()
    {
        const Metafile file = readMetafile(paint(QSize(100, 100), [](QPainter &p) {
            p.setClipRect(QRect(10, 10, 20, 20));
            p.drawRect(0, 0, 50, 50);
            p.setClipping(false);
            p.drawRect(0, 0, 50, 50);
        }));
        QCOMPARE(file.all(SaveDC).size(), 1);
        QCOMPARE(file.all(RestoreDC).size(), 1);
        QCOMPARE(file.all(IntersectClipRect).value(0).words,
                 (QList<qint16>{480, 480, 160, 160})); // bottom, right, top, left
    }

    void textInWindows1252()
    {
        QCOMPARE(WmfRecorder::toWindows1252(QString::fromUtf8("Åse €5 ✓")),
                 QByteArray("\xC5se \x80" "5 ?"));
    }

    void writesFileSafely()
    {
        QTemporaryDir dir;
        WmfGenerator generator;
        generator.setSize(QSize(50, 50));
        generator.setFileName(dir.filePath("missing/map.wmf"));
        QPainter painter(&generator);
        painter.drawRect(1, 1, 10, 10);
        QVERIFY(!painter.end());
        QVERIFY(!QFile::exists(generator.fileName()));

        generator.setFileName(dir.filePath("map.wmf"));
        QPainter again(&generator);
        again.drawRect(1, 1, 10, 10);
        QVERIFY(again.end());
        QFile file(generator.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), generator.data());
    }

    // Another program reads the file: wmf2svg turns it into SVG with the shapes and colours.
    void otherProgramReadsIt()
    {
        const QString converter = QStandardPaths::findExecutable("wmf2svg");
        if (converter.isEmpty())
            QSKIP("wmf2svg (libwmf-bin) is not installed");
        QTemporaryDir dir;
        QFile wmf(dir.filePath("scene.wmf"));
        QVERIFY(wmf.open(QIODevice::WriteOnly));
        wmf.write(paint(QSize(400, 300), paintScene));
        wmf.close();
        // libwmf wants the standard PostScript fonts; point them at the DejaVu fonts.
        QFile fontmap(dir.filePath("Fontmap"));
        QVERIFY(fontmap.open(QIODevice::WriteOnly));
        // libwmf wants each standard font in a file of its own.
        const QString dejavu = "/usr/share/fonts/truetype/dejavu/DejaVu";
        const QList<std::pair<QString, QString>> fonts = {
            {"Helvetica", "Sans"},
            {"Helvetica-Oblique", "Sans-Oblique"},
            {"Helvetica-Bold", "Sans-Bold"},
            {"Helvetica-BoldOblique", "Sans-BoldOblique"},
            {"Courier", "SansMono"},
            {"Courier-Oblique", "SansMono-Oblique"},
            {"Courier-Bold", "SansMono-Bold"},
            {"Courier-BoldOblique", "SansMono-BoldOblique"},
            {"Times-Roman", "Serif"},
            {"Times-Italic", "Serif-Italic"},
            {"Times-Bold", "Serif-Bold"},
            {"Times-BoldItalic", "Serif-BoldItalic"}};
        for (const auto &[name, file] : fonts) {
            if (!QFile::exists(dejavu + file + ".ttf"))
                QSKIP("the DejaVu fonts (fonts-dejavu-core) are not installed");
            fontmap.write(QString("/%1 (%2%3.ttf) ;\n").arg(name, dejavu, file).toUtf8());
        }
        fontmap.close();

        QProcess process;
        process.start(converter, {"--wmf-gs-fontmap=" + fontmap.fileName(), "-o",
                                  dir.filePath("scene.svg"), wmf.fileName()});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        QFile svgFile(dir.filePath("scene.svg"));
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        const QByteArray svg = svgFile.readAll();
        for (const char *part : {"<polygon", "fill:red", "<path", "fill:green", "<ellipse",
                                 "fill:blue", "<polyline", "stroke:darkorange", "<text",
                                 "fill:navy", "<image"})
            QVERIFY2(svg.contains(part), part);
        QVERIFY(svg.contains(">O</text>") && svg.contains(">5</text>"));
    }
};

QTEST_MAIN(TestWmfGenerator)
#include "tst_wmfgenerator.moc"
