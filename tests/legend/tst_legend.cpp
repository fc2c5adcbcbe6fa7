#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The legend of a three-class renderer on a layer of four squares.
class TestLegend : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void classRangesAsText();
    void noDataHidden();
    void circlesEntry();
    void savedLegendShowsTheSymbols();
    void clickOnSymbolReportsIt();
    void numberFormats_data();
    void numberFormats();

private:
    QTemporaryDir m_dir;
    MapWidget m_map;
    LegendWidget m_legend;
    std::shared_ptr<ClassBreaksRenderer> m_renderer;
};

void TestLegend::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString base = m_dir.filePath("squares");
    QVERIFY(writeShapefile(base, SHPT_POLYGON,
                           {{squareRing(0, 0, 1)}, {squareRing(2, 0, 1)}, {squareRing(4, 0, 1)},
                            {squareRing(6, 0, 1)}},
                           {{"STAT", 'N', 10, 1}}, {{3.0}, {7.5}, {1500.0}, {-2.0}}));
    auto layer = m_map.AddShapefileLayer(base + ".shp");
    QVERIFY(layer);
    m_renderer = std::make_shared<ClassBreaksRenderer>();
    m_renderer->SetField("STAT");
    m_renderer->SetBreakCount(3); // no data at or below -1, then up to 5, up to 10, above
    m_renderer->SetBreak(0, -1);
    m_renderer->SetBreak(1, 5);
    m_renderer->SetBreak(2, 10);
    m_renderer->RampColors(7340031, 255);
    m_renderer->Symbol(0).Color = 0xFFFFFF;
    layer->SetRenderer(m_renderer);
    m_legend.setMapSource(&m_map);
}

void TestLegend::init()
{
    MapStatistics stats;
    stats.Min = 3.0;
    stats.Max = 1500.0;
    stats.Count = 3;
    m_legend.setStatistics(stats);
    m_legend.setLayerTitle(0, "Births per 1000");
    m_legend.setLayerCircles(0, false);
    m_legend.setNumberFormat("##,##0.0");
    m_legend.setNumDecimals(1);
    m_legend.setShowNoData(true);
    m_legend.setShowCounts(false);
    m_legend.LoadLegend();
}

void TestLegend::classRangesAsText()
{
    QCOMPARE(m_legend.LegendText(), QString("Births per 1000\r\n"
                                            "3.0 - 5.0\r\n"
                                            "5.1 - 10.0\r\n"
                                            "10.1 - 1,500.0\r\n"
                                            "No data\r\n"));
    m_legend.setShowCounts(true);
    QVERIFY(m_legend.LegendText().contains("3.0 - 5.0 (1)\r\n5.1 - 10.0 (1)\r\n"
                                           "10.1 - 1,500.0 (1)\r\nNo data (1)"));
}

void TestLegend::noDataHidden()
{
    m_legend.setShowNoData(false);
    QVERIFY(!m_legend.LegendText().contains("No data"));
    m_legend.setLayerExpanded(0, false);
    QCOMPARE(m_legend.LegendText(), QString("Births per 1000\r\n"));
    m_legend.setLayerExpanded(0, true);
}

void TestLegend::circlesEntry()
{
    m_legend.setLayerCircles(0, true);
    m_legend.setLargestSymbolText("Largest symbol");
    m_legend.setSmallestSymbolText("Smallest symbol");
    QCOMPARE(m_legend.LegendText(), QString("Births per 1000\r\n"
                                            "Largest symbol: 1,500.0\r\n"
                                            "Smallest symbol: 3.0\r\n"));
}

void TestLegend::savedLegendShowsTheSymbols()
{
    const QString path = m_dir.filePath("legend.bmp");
    QVERIFY2(m_legend.SaveLegend(path, 0), qPrintable(m_legend.LastError()));
    const QImage legend(path);
    QCOMPARE(legend.size(), m_legend.LegendSize());
    // The rows run from the lowest class down to "No data"; patches sit at the left.
    const int x = 8 + 12;
    // Patches are runs of at least 10 pixels of one colour; text gives only short runs.
    QList<QColor> found;
    for (int y = 0, run = 1; y < legend.height(); ++y, ++run) {
        const QColor c = legend.pixelColor(x, y);
        if (y + 1 < legend.height() && legend.pixelColor(x, y + 1) == c)
            continue;
        if (run >= 10 && c != Qt::white)
            found << c;
        run = 0;
    }
    QCOMPARE(found, QList<QColor>({toQColor(m_renderer->Symbol(1).Color),
                                   toQColor(m_renderer->Symbol(2).Color),
                                   toQColor(m_renderer->Symbol(3).Color)}));
    const QString imagePath = m_dir.filePath("legendimage.bmp");
    QVERIFY(m_legend.SaveLegendImage(imagePath, 1));
    const QImage strip(imagePath);
    QCOMPARE(strip.size(), m_legend.LegendImageSize());
    QCOMPARE(strip.pixelColor(4 + 12, strip.height() / 2), toQColor(m_renderer->Symbol(1).Color));
    QVERIFY(!m_legend.SaveLegend(m_dir.filePath("missing/legend.bmp"), 0));
}

void TestLegend::clickOnSymbolReportsIt()
{
    m_legend.resize(m_legend.LegendSize());
    m_legend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_legend));
    QSignalSpy spy(&m_legend, &LegendWidget::SymbolClicked);
    // Second class row: title row, then class 1, then class 2.
    const QImage shown = m_legend.grab().toImage();
    int y = 0;
    const QColor second = toQColor(m_renderer->Symbol(2).Color);
    while (y < shown.height() && shown.pixelColor(20, y) != second)
        ++y;
    QVERIFY(y < shown.height());
    QTest::mouseClick(&m_legend, Qt::LeftButton, Qt::NoModifier, QPoint(20, y + 3));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 0);
    QCOMPARE(spy.at(0).at(1).toInt(), 2);
    m_legend.setShowNoData(false);
    QTest::mouseClick(&m_legend, Qt::LeftButton, Qt::NoModifier, QPoint(20, y + 3));
    QCOMPARE(spy.at(1).at(1).toInt(), 1); // hidden symbol 0 is not counted
    QTest::mouseClick(&m_legend, Qt::LeftButton, Qt::NoModifier, QPoint(150, y + 3));
    QCOMPARE(spy.count(), 2); // beside the symbol: nothing
}

void TestLegend::numberFormats_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1234567.4 << "##,##0" << "1,234,567";
    QTest::newRow("two decimals") << 1234.5 << "##,##0.00" << "1,234.50";
    QTest::newRow("no grouping") << 1234.5 << "0.0" << "1234.5";
    QTest::newRow("negative") << -2.26 << "##,##0.0" << "-2.3";
    QTest::newRow("no minus zero") << -0.01 << "##,##0.0" << "0.0";
}

void TestLegend::numberFormats()
{
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(formatLegendNumber(value, format), text);
}

QTEST_MAIN(TestLegend)
#include "tst_legend.moc"
