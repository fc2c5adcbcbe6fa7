// The web page of a shown map of four squares, read back as XML: one element per region with
// its code, name, value and class, shared class styles and no style of its own, coordinates on
// the SVG output's grid, the legend's counts; the description of a map's figures; and the SVG
// and PDF files carrying that description, read back as a reader sees them.
#include "exportfixture.h"

#include "app/output/mapfigures.h"
#include "app/output/pictures.h"
#include "app/output/vectorfiles.h"
#include "app/output/webpage.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

class TestWebPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void pageHoldsTheRegions();
    void describeMap_data();
    void describeMap();
    void vectorFilesCarryTheDescription();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ExportFixture> m_map;
};

namespace {

struct Element {
    QString tag;
    QXmlStreamAttributes attributes;
};

// The elements of the page's inline SVG, read as XML (the page writes it well-formed).
QList<Element> svgElements(const QString &page, QString *error) {
    const qsizetype from = page.indexOf(QStringLiteral("<svg xmlns"));
    const qsizetype to = page.indexOf(QStringLiteral("</svg>"), from);
    QList<Element> elements;
    if (from < 0 || to < 0) {
        *error = QStringLiteral("no map picture");
        return elements;
    }
    QXmlStreamReader xml(page.mid(from, to + 6 - from));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement)
            elements.append({xml.name().toString(), xml.attributes()});
    if (xml.hasError())
        *error = xml.errorString();
    return elements;
}

MapFigures figuresOf(const QList<std::pair<QString, std::optional<double>>> &regions) {
    MapFigures f;
    f.statistic = QStringLiteral("Births");
    f.title = QStringLiteral("Counties");
    for (const auto &[name, value] : regions)
        f.regions.append({name.left(1), name, value});
    return f;
}

} // namespace

void TestWebPage::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_map = std::make_unique<ExportFixture>(m_dir->path());
    QVERIFY(m_map->ok);
}

void TestWebPage::pageHoldsTheRegions() {
    MapWidget &map = *m_map->map;
    WebPageContent content;
    content.figures = figuresOf({});
    content.figures.layerIndex = 0;
    content.figures.regions = ReadRegionFigures(*map.Layer(0), QStringLiteral("KEY"),
                                                QStringLiteral("KEY"), QStringLiteral("STAT"), -1);
    content.description = DescribeMap(content.figures);
    const Picture picture = MapContentPicture(map, MapContentRect(map), 1.0);
    const QString page = QString::fromUtf8(WebPage(picture, m_map->legend->layout(), content));

    QString error;
    const QList<Element> elements = svgElements(page, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QMap<QString, QString> classOf, valueOf;
    static const QRegularExpression gridPath(QStringLiteral("^(M-?\\d+ -?\\d+(l[-\\d ]+)?z?)+$"));
    for (const Element &e : elements) {
        // Shared class styles only: no element carries a style of its own.
        QVERIFY(!e.attributes.hasAttribute(QStringLiteral("style")));
        QVERIFY(!e.attributes.hasAttribute(QStringLiteral("fill")));
        if (e.tag == QLatin1String("path"))
            QVERIFY2(gridPath.match(e.attributes.value(QStringLiteral("d"))).hasMatch(),
                     qPrintable(e.attributes.value(QStringLiteral("d")).toString()));
        const QString code = e.attributes.value(QStringLiteral("data-code")).toString();
        if (code.isEmpty())
            continue;
        QVERIFY2(!classOf.contains(code), qPrintable(code)); // one element per region
        classOf[code] = e.attributes.value(QStringLiteral("class")).toString();
        valueOf[code] = e.attributes.value(QStringLiteral("data-value")).toString();
        QCOMPARE(e.attributes.value(QStringLiteral("data-name")).toString(), code);
    }
    // Squares a and b (10, 20) lie in the green class 1, c and d (30, 40) in the blue class 2.
    QCOMPARE(classOf.keys(), QStringList({"a", "b", "c", "d"}));
    QCOMPARE(classOf.values(), QStringList({"c1", "c1", "c2", "c2"}));
    QCOMPARE(valueOf.values(), QStringList({"10", "20", "30", "40"}));
    // The classes' colours and outlines are the painter's; the picture is drawn in tenths of a
    // pixel of the map's content.
    QVERIFY(page.contains(QStringLiteral(".c1{fill:#00ff00;stroke:#000000;stroke-width:1px}")));
    QVERIFY(page.contains(QStringLiteral(".c2{fill:#0000ff;stroke:#000000;stroke-width:1px}")));
    const QSize size = picture.size;
    QVERIFY(page.contains(QStringLiteral("viewBox=\"0 0 %1 %2\" width=\"%3\" height=\"%4\"")
                              .arg(size.width() * 10)
                              .arg(size.height() * 10)
                              .arg(size.width())
                              .arg(size.height())));
    // The legend: each class with its swatch in the class's style, its range and its count.
    static const QRegularExpression item(
        QStringLiteral("<li data-class=\"(\\d)\" tabindex=\"0\"><svg class=\"sw\"[^>]*>"
                       "<rect class=\"c(\\d)\"[^>]*/></svg><span class=\"range\">([^<]*)</span> "
                       "<span class=\"count\">\\((\\d+)\\)</span></li>"));
    QStringList items;
    for (auto it = item.globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QCOMPARE(m.captured(1), m.captured(2));
        items << m.captured(1) + u' ' + m.captured(3) + u' ' + m.captured(4);
    }
    QCOMPARE(items, QStringList({"1 10 \u2013 25 2", "2 26 \u2013 40 2"}));
    QVERIFY(page.contains(
        QStringLiteral("<desc>Births (Counties): 4 regions, from 10 (a) to 40 (d);")));
}

void TestWebPage::describeMap_data() {
    using Regions = QList<std::pair<QString, std::optional<double>>>;
    QTest::addColumn<Regions>("regions");
    QTest::addColumn<QString>("expected");
    QTest::newRow("several") << Regions{{"Ashe", 1091},
                                        {"Wake", 14484},
                                        {"Tyrrell", 248},
                                        {"Clay", 284},
                                        {"Mecklenburg", 21588}}
                             << "Births (Counties): 5 regions, from 248 (Tyrrell) to 21,588 "
                                "(Mecklenburg); highest: Mecklenburg 21,588, Wake 14,484, Ashe "
                                "1,091; lowest: Tyrrell 248, Clay 284, Ashe 1,091.";
    // Equal figures are named in alphabetical order, so the text is the same on every run.
    QTest::newRow("ties and no data")
        << Regions{{"Yancey", 5}, {"Avery", 5}, {"Bertie", std::nullopt}, {"Dare", 7}}
        << "Births (Counties): 4 regions, from 5 (Yancey) to 7 (Dare); highest: Dare 7, Avery 5, "
           "Yancey 5; lowest: Yancey 5, Avery 5, Dare 7; no data: 1 region.";
    QTest::newRow("two regions") << Regions{{"Ashe", 1}, {"Wake", -2}}
                                 << "Births (Counties): 2 regions, from -2 (Wake) to 1 (Ashe).";
    QTest::newRow("no data at all")
        << Regions{{"Ashe", std::nullopt}} << "Births (Counties): 1 region, none with data.";
    // Counts and figures of thousands are grouped as the legend groups them.
    Regions many;
    for (int i = 0; i < 1200; ++i)
        many.append({QStringLiteral("R%1").arg(i, 4, 10, QChar(u'0')),
                     i < 1001 ? std::nullopt : std::optional<double>(i)});
    QTest::newRow("thousands") << many
                               << "Births (Counties): 1,200 regions, from 1,001 (R1001) to 1,199 "
                                  "(R1199); highest: R1199 1,199, R1198 1,198, R1197 1,197; "
                                  "lowest: R1001 1,001, R1002 1,002, R1003 1,003; no data: 1,001 "
                                  "regions.";
}

void TestWebPage::describeMap() {
    using Regions = QList<std::pair<QString, std::optional<double>>>;
    QFETCH(Regions, regions);
    QFETCH(QString, expected);
    QCOMPARE(DescribeMap(figuresOf(regions)), expected);
}

void TestWebPage::vectorFilesCarryTheDescription() {
    const QString description =
        QStringLiteral("Births <b> & \"more\": 4 regions, ולדות 🗺️");
    const Picture picture = MapPicture(*m_map->map, 1.0);
    const QString svg = m_dir->filePath(QStringLiteral("map.svg"));
    const QString pdf = m_dir->filePath(QStringLiteral("map.pdf"));
    QString error;
    QVERIFY2(WriteSvgFile(picture, svg, QStringLiteral("map"), &error, description),
             qPrintable(error));
    QVERIFY2(WritePdfFile(picture, pdf, QStringLiteral("map"), &error, description),
             qPrintable(error));

    QXmlStreamReader xml(ReadAll(svg));
    QString desc;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("desc"))
            desc = xml.readElementText();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(desc, description);

    // The PDF's subject as a PDF reader gives it, from a file it reads without complaint.
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf});
    if (!info.waitForFinished(30000) && info.error() == QProcess::FailedToStart)
        QSKIP("pdfinfo (poppler-utils) is not installed");
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    QCOMPARE(info.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(info.readAllStandardError()), QString());
    const auto field = [&out](const QString &name) {
        const QRegularExpression line(QStringLiteral("^%1:\\s+(.*)$").arg(name),
                                      QRegularExpression::MultilineOption);
        return line.match(out).captured(1);
    };
    QCOMPARE(field(QStringLiteral("Subject")), description);
    QCOMPARE(field(QStringLiteral("Title")), QStringLiteral("map"));
    QCOMPARE(field(QStringLiteral("Pages")), QStringLiteral("1"));
    // Without a description the file is as before: no subject.
    QVERIFY(WritePdfFile(picture, pdf, QStringLiteral("map"), &error));
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    QVERIFY(!info.readAllStandardOutput().contains("Subject:"));
}

QTEST_MAIN(TestWebPage)
#include "tst_webpage.moc"
