#include "../view/layerfixture.h"
#include "../view/viewfixture.h"

#include "app/files/optionfile.h"
#include "app/output/pictures.h"
#include "app/view/cdrawsymbol.h"

#include <QtTest>

// Circle maps built as the program builds them, on the North Carolina sample.
class TestCircleView : public QObject {
    Q_OBJECT

private slots:
    void circlesAreDrawnInEveryPicture();
    void percentageSurvivesViewBuilds();
    void optionFileReopensTheSameCircleMap();

private:
    static QString births() { return SamplesFolder() + QStringLiteral("/TQ-files/nc_births_74.tq"); }
};

void TestCircleView::circlesAreDrawnInEveryPicture()
{
    ViewFixture view(births());
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    view.state.CircleMap = true;
    view.state.SymbolColor = 0x0000FF; // red
    int column = 1;
    QVERIFY(view.Build(1, column));
    ConnectMapDrawEvents(view.map, view.context, nullptr);
    const CDrawSymbol &drawer = *view.values.SymbolDrawer;
    QCOMPARE(drawer.Shapes().size(), 100);

    // The largest circle's centre is red in the picture of the map and in an enlarged export;
    // the regions themselves are unfilled, so between circles the map is white.
    const MapPoint centre = drawer.Shapes().first().Extent().Center();
    for (double scale : {1.0, 1.5}) {
        const QImage image = MapImage(view.map, scale);
        const QPoint p = (view.map.FromMapPoint(centre) * scale).toPoint();
        QCOMPARE(image.pixelColor(p), QColor(Qt::red));
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
    }
    // Without the circle map the same picture has no circles.
    view.state.CircleMap = false;
    const QImage plain = MapImage(view.map, 1.0);
    QVERIFY(plain.pixelColor(view.map.FromMapPoint(centre).toPoint()) != QColor(Qt::red));
}

void TestCircleView::percentageSurvivesViewBuilds()
{
    ViewFixture view(births());
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    view.state.CircleMap = true;
    int column = 1;
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.values.SymbolDrawer->CirclePercent, std::int16_t(10));
    const double at10 = view.values.SymbolDrawer->LargestDiameter();
    view.values.SymbolDrawer->CirclePercent = 40;
    // Another column: a new drawer with the old percentage.
    column = 2;
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.values.SymbolDrawer->CirclePercent, std::int16_t(40));
    column = 1;
    QVERIFY(view.Build(1, column));
    QVERIFY(std::fabs(view.values.SymbolDrawer->LargestDiameter() / at10 - 2.0) < 1e-9);
}

void TestCircleView::optionFileReopensTheSameCircleMap()
{
    QTemporaryDir dir;
    const QString option = dir.filePath(QStringLiteral("circles"));
    QList<MapShape> saved;
    MapRectangle extent;
    {
        ViewFixture view(births());
        QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
        view.state.CircleMap = true;
        view.state.SymbolColor = 0x336699;
        int column = 2;
        QVERIFY(view.Build(1, column));
        view.values.SymbolDrawer->CirclePercent = 25;
        QVERIFY(view.Build(1, column));
        saved = view.values.SymbolDrawer->Shapes();
        extent = view.map.Extent();
        OptionFileSource source;
        source.DataFile = births();
        source.MapIniName = view.mapIniName;
        source.SelectedValue = column;
        source.Map = &view.map;
        source.State = &view.state;
        source.Values = &view.values;
        source.CirclePercent = view.values.SymbolDrawer->CirclePercent;
        QVERIFY(CreateTQO(source, option));
    }
    ViewFixture view(births());
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    view.reader.OptionFile = option + QStringLiteral(".tqo");
    int column = 2;
    QVERIFY(view.Build(1, column, ReadExtent(view.reader.OptionFile)));
    QVERIFY(view.state.CircleMap);
    QCOMPARE(view.state.SymbolColor, MapColor(0x336699));
    QCOMPARE(view.values.SymbolDrawer->CirclePercent, std::int16_t(25));
    const QList<MapShape> &shapes = view.values.SymbolDrawer->Shapes();
    QCOMPARE(shapes.size(), saved.size());
    for (qsizetype i = 0; i < shapes.size(); ++i)
        QCOMPARE(shapes[i].Extent(), saved[i].Extent());
    QVERIFY(std::fabs(view.map.Extent().Width() - extent.Width()) < 1e-6 * extent.Width());
}

QTEST_MAIN(TestCircleView)
#include "tst_circleview.moc"
