#include "layerfixture.h"
#include "viewfixture.h"

#include "contracts/maplayer.h"

#include <QTest>

class TestBuildView : public QObject {
    Q_OBJECT

private slots:
    void choroplethOfNorthCarolina();
    void numberFormatFollowsDecimals_data();
    void numberFormatFollowsDecimals();
    void wrongColumnNumber_data();
    void wrongColumnNumber();
    void columnWithoutData_data();
    void columnWithoutData();
    void sameMapKeepsExtent();
    void listClicksRebuild();
    void circleMap();
    void customClassesKeptAcrossColumns();

private:
    static QString sample(const QString &name) {
        return SamplesFolder() + QStringLiteral("/TQ-files/") + name;
    }
};

void TestBuildView::choroplethOfNorthCarolina() {
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    int column = 1;
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.map.LayerCount(), 1);
    QCOMPARE(view.values.ThematicLayer, 0);
    const auto renderer = view.ThematicLayer()->Renderer();
    QVERIFY(renderer);
    // Four quantile classes of the 100 counties: 25 in each.
    QCOMPARE(renderer->Field(), QStringLiteral("STAT"));
    QCOMPARE(renderer->BreakCount(), 4);
    QCOMPARE(renderer->Break(0), double(view.values.NullValue) + 1);
    QCOMPARE(renderer->Break(1), 1091.0);
    QCOMPARE(renderer->Break(2), 2181.0);
    QCOMPARE(renderer->Break(3), 3999.0);
    QCOMPARE(renderer->Symbol(0).Color, MapColor(16777215));
    QCOMPARE(renderer->Symbol(1).Color, MapColor(7340031));
    QCOMPARE(renderer->Symbol(4).Color, MapColor(255));
    // The map definition's outlines (Show=1, Color=colGray) are on every class symbol.
    QCOMPARE(renderer->Symbol(2).OutlineColor, MapColor(8421504));
    QCOMPARE(view.values.NumberFormat, QStringLiteral("##,##0"));
    QVERIFY(view.values.Statistics);
    QCOMPARE(view.values.Statistics->Count, 100);
    QCOMPARE(view.stats.currentRow(), 0);
    QCOMPARE(view.maps.indexOfTopLevelItem(view.maps.currentItem()), 0);
    QVERIFY(view.theme.isEnabled() && view.save.isEnabled());
    QVERIFY(view.legend.LegendText().contains(QStringLiteral("Live births")));
    QVERIFY(!view.state.UpdatingLists);
    QVERIFY(recorder.messages.isEmpty());
}

void TestBuildView::numberFormatFollowsDecimals_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("format");
    QTest::newRow("population") << 1 << QStringLiteral("##,##0");
    QTest::newRow("cases, 2 decimals") << 2 << QStringLiteral("##,##0.00");
    QTest::newRow("per cent, 1 decimal") << 3 << QStringLiteral("##,##0.0");
}

void TestBuildView::numberFormatFollowsDecimals() {
    QFETCH(int, column);
    QFETCH(QString, format);
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("ny_leukaemia.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.values.NumberFormat, format);
    QCOMPARE(view.stats.currentRow(), column - 1);
}

void TestBuildView::wrongColumnNumber_data() {
    QTest::addColumn<int>("column");
    QTest::newRow("0") << 0;
    QTest::newRow("beyond the last") << 4;
}

void TestBuildView::wrongColumnNumber() {
    QFETCH(int, column);
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    QVERIFY(view.Build(1, column));
    QCOMPARE(column, 1);
    QCOMPARE(recorder.messages,
             QStringList{QStringLiteral("Chorel|Wrong value for the value attribute in the data "
                                        "file or option file, \r\n using the first one.")});
    QCOMPARE(view.stats.currentRow(), 0);
}

void TestBuildView::columnWithoutData_data() {
    QTest::addColumn<bool>("circles");
    QTest::newRow("choropleth") << false;
    QTest::newRow("circles") << true;
}

// A semicolon file for the world map whose second column has no value at all.
void TestBuildView::columnWithoutData() {
    QFETCH(bool, circles);
    MessageRecorder recorder;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("empty.sdv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("World.ini\r\nCountry;Known;Unknown;\r\n");
    for (const char *code : {"AE", "AF", "AL", "AR", "AT", "AU", "BE", "BR", "CA", "CN"})
        file.write(QByteArray(code) + ";" + QByteArray::number(qstrlen(code) * 7 + code[1]) +
                   ";..;\r\n");
    file.close();
    ViewFixture view(file.fileName());
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    view.state.CircleMap = circles;
    int column = 2;
    QVERIFY(view.Build(1, column));
    QVERIFY(!view.theme.isEnabled() && !view.saveAs.isEnabled());
    QVERIFY(!view.temaMap.isEnabled() && !view.save.isEnabled());
    const auto layer = view.ThematicLayer();
    if (circles) {
        // The statistics cover all 177 countries when no region has data.
        QCOMPARE(view.values.Statistics->Count, 177);
    } else {
        const auto renderer = layer->Renderer();
        QVERIFY(renderer);
        for (int i = 0; i < renderer->SymbolCount(); ++i)
            QCOMPARE(renderer->Symbol(i).Color, view.values.NoDataColor);
    }
    column = 1;
    QVERIFY(view.Build(1, column));
    QVERIFY(view.theme.isEnabled() && view.save.isEnabled());
}

void TestBuildView::sameMapKeepsExtent() {
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    int column = 1;
    QVERIFY(view.Build(1, column));
    view.map.SetExtent(MapRectangle(-80, -78, 35, 36));
    const MapRectangle zoomed = view.map.Extent();
    column = 2;
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.map.Extent(), zoomed);
    // An extent argument wins.
    const MapRectangle given(-84, -76, 33, 37);
    column = 3;
    QVERIFY(view.Build(1, column, given));
    QCOMPARE(view.map.Extent().Center(), given.Center());
    QVERIFY(view.map.Extent().Width() >= given.Width() - 1e-9);
}

void TestBuildView::listClicksRebuild() {
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    int column = 1;
    QVERIFY(view.Build(1, column));
    view.reader.OptionFile = QStringLiteral("/nowhere/x.tqo");
    view.info.setText(QStringLiteral("FIPS : 37001"));
    lstStatdata_Click(view.context, 2);
    QCOMPARE(view.state.CurrentColumn, 3);
    QCOMPARE(view.stats.currentRow(), 2);
    QVERIFY(view.reader.OptionFile.isEmpty());
    QVERIFY(view.info.text().isEmpty());
    QVERIFY(view.legend.LegendText().contains(QStringLiteral("Non-white live births")));
    // While the view builder selects rows, clicks do nothing.
    view.state.UpdatingLists = true;
    lstStatdata_Click(view.context, 0);
    QCOMPARE(view.state.CurrentColumn, 3);
    view.state.UpdatingLists = false;
    lsvKartdata_ItemClick(view.context, 0);
    QCOMPARE(view.state.CurrentMap, 1);
    QCOMPARE(view.state.CurrentColumn, 3);
    QVERIFY(recorder.messages.isEmpty());
}

void TestBuildView::circleMap() {
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    view.state.CircleMap = true;
    int column = 1;
    QVERIFY(view.Build(1, column));
    QVERIFY(view.state.CircleMap);
    QVERIFY(view.values.SymbolDrawer);
    const auto layer = view.ThematicLayer();
    QVERIFY(!layer->Renderer());
    QCOMPARE(layer->Symbol().Style, int(TransparentFill));
    // The choropleth renderer is kept aside for a later change back.
    QVERIFY(view.values.CurrentRenderer);
    QCOMPARE(view.values.CurrentRenderer->BreakCount(), 4);
}

void TestBuildView::customClassesKeptAcrossColumns() {
    MessageRecorder recorder;
    ViewFixture view(sample(QStringLiteral("nc_births_74.tq")));
    QVERIFY2(view.error.isEmpty(), qPrintable(view.error));
    int column = 1;
    QVERIFY(view.Build(1, column));
    const auto custom = view.ThematicLayer()->Renderer();
    custom->SetBreak(1, 500);
    view.state.ClassType = kbCustom;
    column = 2;
    QVERIFY(view.Build(1, column));
    QCOMPARE(view.ThematicLayer()->Renderer(), custom);
    QCOMPARE(view.ThematicLayer()->Renderer()->Break(1), 500.0);
}

QTEST_MAIN(TestBuildView)
#include "tst_buildview.moc"
