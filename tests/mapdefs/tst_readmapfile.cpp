#include "mapdefsfixture.h"

#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/mapdefs/colournames.h"
#include "contracts/maplayer.h"
#include "contracts/mapshape.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <shapefil.h>

// Reading map-definition files: map list, field records, [DEFAULT] values and colour names.
class TestReadMapFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ColorTable m_colours;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void touch(const QString &name) { writeFile(path(name), QByteArray()); }

    void prepare(CReadMapFile &reader, const QByteArray &ini)
    {
        writeFile(path(QStringLiteral("maps.ini")), ini);
        reader.IniFile = path(QStringLiteral("maps.ini"));
        reader.colColorMap = &m_colours;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SetDefaultTexts();
        BuildColor(m_colours);
        for (const char *name : {"a.shp", "b.shp", "c.shp", "d.shp", "e.shp", "maps/REGIONS.shp",
                                 "roads.shp"})
            touch(QString::fromLatin1(name));
    }

    void colourNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("colour");
        QTest::newRow("upper case") << "COLRED" << 255;
        QTest::newRow("lower case") << "colred" << 255;
        QTest::newRow("as written") << "colRed" << 255;
        QTest::newRow("lime green is pale") << "colLimeGreen" << 12639424;
        QTest::newRow("khaki") << "colKhaki" << 7051175;
        QTest::newRow("navy") << "colNavy" << 8404992;
        QTest::newRow("pale yellow") << "colPaleYellow" << 13697023;
    }

    void colourNames()
    {
        QFETCH(QString, text);
        QFETCH(int, colour);
        QList<RecordedMessage> &messages = recordMessages();
        QCOMPARE(m_colours.count(), 23);
        QCOMPARE(GetColor(m_colours, text, QStringLiteral("x.ini"), QStringLiteral("FIELDS1"),
                          QStringLiteral("Color")),
                 colour);
        QVERIFY(messages.isEmpty());
    }

    void unknownColourNameGivesBlackAndMessage()
    {
        QList<RecordedMessage> &messages = recordMessages();
        QCOMPARE(GetColor(m_colours, QStringLiteral("colPink"), QStringLiteral("x.ini"),
                          QStringLiteral("E1"), QStringLiteral("Color")),
                 0);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (GetColor)"));
        QCOMPARE(messages[0].buttons, 64);
        QCOMPARE(messages[0].text,
                 QStringLiteral("Wrong text for color value in the map parameter file.\r\n"
                                "x.ini : \r\n[E1]\r\nColor=colPink"));
    }

    void numMapsIsRounded_data()
    {
        QTest::addColumn<QString>("numMaps");
        QTest::addColumn<int>("count");
        QTest::newRow("2.5 rounds to even") << "2.5" << 2;
        QTest::newRow("3.5 rounds to even") << "3.5" << 4;
        QTest::newRow("absent") << "" << 0;
        QTest::newRow("zero") << "0" << 0;
    }

    void numMapsIsRounded()
    {
        QFETCH(QString, numMaps);
        QFETCH(int, count);
        CReadMapFile reader;
        prepare(reader, "[maps]\nNumMaps=" + numMaps.toLatin1()
                            + "\n1=a.shp\n2=b.shp\n3=c.shp\n4=d.shp\n5=e.shp\n");
        const auto maps = reader.GetMapFileCollection();
        QVERIFY(maps.has_value());
        QCOMPARE(maps->size(), count);
        for (int i = 0; i < count; ++i)
            QCOMPARE(maps->at(i).iNum(), i + 1);
    }

    void mapRecordsFromFile()
    {
        CReadMapFile reader;
        prepare(reader, "[MAPS]\nNumMaps=2\n1=maps\\regions.shp\nE1=roads.shp\n2=a.shp\n"
                        "[fields1]\nMapName=\n[FIELDS2]\nMapName= Second map \n");
        const auto maps = reader.GetMapFileCollection();
        QVERIFY(maps.has_value());
        QCOMPARE(maps->size(), 2);
        // Windows separators, relative to the file, the letter case found on disk.
        QCOMPARE(maps->at(0).sFileName(), path(QStringLiteral("maps/REGIONS.shp")));
        QCOMPARE(maps->at(0).sTableName(), QStringLiteral("Regions"));
        QCOMPARE(maps->at(0).sMapName(), QStringLiteral("Regions"));
        QCOMPARE(maps->at(0).sEFileName(), path(QStringLiteral("roads.shp")));
        QCOMPARE(maps->at(1).sMapName(), QStringLiteral("Second map"));
        QCOMPARE(maps->at(1).sEFileName(), QString());
        QCOMPARE(reader.MapList()->size(), 2);
        QCOMPARE(reader.GetTableName(1), QStringLiteral("regions"));
    }

    void missingShapefileStopsTheWholeList_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("missing");
        QTest::newRow("map 2 of 3") << QByteArray("[MAPS]\nNumMaps=3\n1=a.shp\n2=gone.shp\n3=b.shp\n")
                                    << "gone.shp";
        QTest::newRow("second shapefile")
            << QByteArray("[MAPS]\nNumMaps=1\n1=a.shp\nE1=nothere.shp\n") << "nothere.shp";
    }

    void missingShapefileStopsTheWholeList()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, missing);
        CReadMapFile reader;
        prepare(reader, ini);
        QVERIFY(!reader.GetMapFileCollection().has_value());
        QVERIFY(!reader.MapList().has_value());
        QCOMPARE(reader.MissingFile, path(missing));
    }

    void upperCaseExtensionIsRefusedWithAMessage()
    {
        QList<RecordedMessage> &messages = recordMessages();
        touch(QStringLiteral("UPPER.SHP"));
        CReadMapFile reader;
        prepare(reader, "[MAPS]\nNumMaps=1\n1=UPPER.SHP\n");
        QVERIFY(!reader.GetMapFileCollection().has_value());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (GetMapFileCollection)"));
        QVERIFY(messages[0].text.contains(QStringLiteral("\".shp\" written in lower case")));
        QVERIFY(messages[0].text.contains(QStringLiteral("UPPER.SHP")));
    }

    void fieldRecords()
    {
        CReadMapFile reader;
        prepare(reader, "[Fields3]\nKeyField= FIPS \nKeyPField=REGION\nNameField=NAME\n"
                        "NamePField=County\nStatPField=Value\n");
        const QList<CFields> fields = reader.GetFields(3);
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields[0].sPhysical, QStringLiteral("FIPS"));
        QCOMPARE(fields[0].sShow, QStringLiteral("REGION"));
        QCOMPARE(fields[1].sPhysical, QStringLiteral("NAME"));
        QCOMPARE(fields[1].sShow, QStringLiteral("County"));
        QCOMPARE(fields[2].sPhysical, QStringLiteral("STAT"));
        QCOMPARE(fields[2].sShow, QStringLiteral("Value"));
        QCOMPARE(reader.GetKeyField(3), QStringLiteral("FIPS"));
        QCOMPARE(reader.GetRegionField(3), QStringLiteral("NAME"));
        QCOMPARE(reader.GetStatField(), QStringLiteral("STAT"));
    }

    void defaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("message");
        QTest::newRow("number") << "SymbCol" << 16777160 << false;
        QTest::newRow("number rounded to even") << "ShowNoData" << 2 << false;
        QTest::newRow("name in any case") << "StartCol" << 8454143 << false;
        QTest::newRow("absent") << "Missing" << -7 << false;
        QTest::newRow("empty") << "NullCol" << -7 << false;
        QTest::newRow("unknown name") << "EndCol" << -7 << true;
    }

    void defaults()
    {
        QFETCH(QString, key);
        QFETCH(int, expected);
        QFETCH(bool, message);
        QList<RecordedMessage> &messages = recordMessages();
        CReadMapFile reader;
        prepare(reader, "[default]\nsymbcol=16777160\nShowNoData=2.5\nStartCol=COLLIGHTYELLOW\n"
                        "NullCol=\nEndCol=colPink\n");
        QCOMPARE(reader.GetDefault(key, -7), expected);
        QCOMPARE(messages.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(messages[0].caption, QStringLiteral("Chorel (AddMap)"));
            QCOMPARE(messages[0].text, QStringLiteral("Wrong text for color value in the map "
                                                      "parameter file.\r\n")
                                           + reader.IniFile
                                           + QStringLiteral(" : \r\n[DEFAULT]\r\nEndCol=colPink"));
        }
    }

    void defaultScheme_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("message");
        QTest::newRow("as written") << QByteArray("[DEFAULT]\nScheme=YlOrRd\n") << "YlOrRd" << false;
        QTest::newRow("any letter case")
            << QByteArray("[default]\nscheme= ylgnbu \n") << "YlGnBu" << false;
        QTest::newRow("absent") << QByteArray("[DEFAULT]\nStartCol=255\n") << "" << false;
        QTest::newRow("unknown") << QByteArray("[DEFAULT]\nScheme=Rainbow\n") << "" << true;
    }

    void defaultScheme()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        QFETCH(bool, message);
        QList<RecordedMessage> &messages = recordMessages();
        CReadMapFile reader;
        prepare(reader, ini);
        QCOMPARE(reader.GetDefaultScheme(), expected);
        QCOMPARE(messages.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(messages[0].caption, QStringLiteral("Chorel (AddMap)"));
            QVERIFY(messages[0].text.contains(QStringLiteral("[DEFAULT]\r\nScheme=Rainbow\r\n")));
            QVERIFY(messages[0].text.contains(QStringLiteral("BuGn, BuPu, ")));
        }
    }

    void addMapOutlines_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<bool>("outline");
        QTest::addColumn<int>("colour");
        QTest::addColumn<int>("size");
        QTest::newRow("Show=1 by name") << QByteArray("Show=1\nColor=colRed\nSize=3\n") << true
                                        << 255 << 3;
        QTest::newRow("Show=1 by number, bad size")
            << QByteArray("Show=1\nColor=123\nSize=wide\n") << true << 123 << 1;
        QTest::newRow("Show=0") << QByteArray("Show=0\nColor=colRed\nSize=3\n") << false << 0
                                << 1;
        QTest::newRow("Show absent") << QByteArray("Color=colRed\nSize=3\n") << true << 0 << 1;
        QTest::newRow("Show=2 keeps defaults") << QByteArray("Show=2\nColor=colRed\n") << true
                                               << 0 << 1;
    }

    void addMapOutlines()
    {
        QFETCH(QByteArray, fields);
        QFETCH(bool, outline);
        QFETCH(int, colour);
        QFETCH(int, size);
        QList<RecordedMessage> &messages = recordMessages();
        const QByteArray maps = (samplesFolder() + QStringLiteral("/Maps/")).toUtf8();
        CReadMapFile reader;
        prepare(reader, "[MAPS]\nNumMaps=1\n1=" + maps + "nc_counties.shp\nE1=" + maps
                            + "world.shp\n[FIELDS1]\n" + fields + "[E1]\nColor=colNavy\nSize=2\n");
        MapWidget map;
        reader.Map = &map;
        QVERIFY(reader.GetMapFileCollection().has_value());
        reader.AddMap(1);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0).text));
        QCOMPARE(reader.Outline, outline);
        QCOMPARE(reader.OutlineColor, colour);
        QCOMPARE(reader.OutlineSize, size);

        // The region layer below, the second layer on top with its own colour and size.
        QCOMPARE(map.LayerCount(), 2);
        const auto regions = map.Layer(1);
        const auto second = map.Layer(0);
        QVERIFY(regions->FileName().endsWith(QStringLiteral("nc_counties.shp")));
        if (fields.contains("Show=1")) {
            QCOMPARE(int(regions->Symbol().OutlineColor), colour);
            QCOMPARE(regions->Symbol().Size, double(size));
        }
        QCOMPARE(second->ShapeType(), int(PolygonShape));
        QCOMPARE(second->Symbol().Style, int(TransparentFill));
        QCOMPARE(second->Symbol().OutlineColor, MapColor(8404992));
        QCOMPARE(second->Symbol().Size, 2.0);
    }

    void addMapReportsWhatFails()
    {
        QList<RecordedMessage> &messages = recordMessages();
        CReadMapFile reader;
        prepare(reader, "[MAPS]\nNumMaps=1\n1=a.shp\n[FIELDS1]\nShow=1\nColor=colPink\n");
        MapWidget map;
        reader.Map = &map;
        QVERIFY(reader.GetMapFileCollection().has_value());
        reader.AddMap(1); // a.shp is an empty file, not a shapefile
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (AddMap)"));
        QCOMPARE(map.LayerCount(), 0);
        messages.clear();
        reader.AddMap(2);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (AddMap)"));
    }

    // A run drawing several statistics on one map keeps its layers: AddMap takes them again
    // as freshly read (the map definition's symbol, no renderer, shown), with the region table
    // read anew, since the join rewrites it between statistics. Without keeping, every AddMap
    // reads the shapefile.
    void keptLayersAreTakenAgain()
    {
        QList<RecordedMessage> &messages = recordMessages();
        const QString folder = path(QStringLiteral("kept"));
        copySampleShapefile(QStringLiteral("nc_counties"), folder, QStringLiteral("nc"));
        CReadMapFile reader;
        prepare(reader, "[MAPS]\nNumMaps=1\n1=kept/nc.shp\n[FIELDS1]\nShow=1\nColor=colNavy\n"
                        "Size=2\n");
        MapWidget map;
        reader.Map = &map;
        QVERIFY(reader.GetMapFileCollection().has_value());
        reader.AddMap(1);
        const auto first = map.Layer(0);
        const MapSymbol asRead = first->Symbol();
        map.ClearLayers();
        reader.AddMap(1);
        QVERIFY(map.Layer(0) != first);

        reader.KeepLoadedLayers();
        const auto kept = map.Layer(0);
        kept->Symbol().Color = 255;
        kept->Symbol().Style = TransparentFill;
        kept->SetRenderer(std::make_shared<ClassBreaksRenderer>());
        kept->SetVisible(false);
        const QByteArray dbf = QFile::encodeName(folder + QStringLiteral("/nc.dbf"));
        DBFHandle table = DBFOpen(dbf.constData(), "r+b");
        QVERIFY(table);
        const int births = DBFGetFieldIndex(table, "BIR74");
        QVERIFY(DBFWriteDoubleAttribute(table, 0, births, 12345.0));
        DBFClose(table);
        for (int again = 0; again < 2; ++again) {
            map.ClearLayers();
            reader.AddMap(1);
            QCOMPARE(map.LayerCount(), 1);
            QCOMPARE(map.Layer(0), kept);
            QVERIFY(kept->Symbol() == asRead);
            QVERIFY(!kept->Renderer());
            QVERIFY(kept->Visible());
            QCOMPARE(kept->FieldValue(0, QStringLiteral("BIR74")).toDouble(), 12345.0);
        }
        QCOMPARE(reader.OutlineSize, 2);
        QVERIFY(messages.isEmpty());

        // A table that no longer has a row per shape is read whole again, which reports it.
        table = DBFOpen(dbf.constData(), "r+b");
        QVERIFY(table);
        QVERIFY(DBFWriteDoubleAttribute(table, DBFGetRecordCount(table), births, 1.0));
        DBFClose(table);
        map.ClearLayers();
        reader.AddMap(1);
        QCOMPARE(map.LayerCount(), 0);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (AddMap)"));
    }

    void sampleDefinitionsRead_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::newRow("NC") << "NC.INI" << "Nc_counties" << "FIPS";
        QTest::newRow("NY8") << "NY8.INI" << "Ny8_tracts" << "AREAKEY";
        QTest::newRow("WORLD") << "WORLD.INI" << "World" << "iso_a2";
    }

    void sampleDefinitionsRead()
    {
        QFETCH(QString, ini);
        QFETCH(QString, table);
        QFETCH(QString, key);
        CReadMapFile reader;
        reader.IniFile = samplesFolder() + QStringLiteral("/Maps/") + ini;
        reader.colColorMap = &m_colours;
        const auto maps = reader.GetMapFileCollection();
        QVERIFY(maps.has_value());
        QCOMPARE(maps->size(), 1);
        QCOMPARE(maps->at(0).sTableName(), table);
        QCOMPARE(reader.GetKeyField(1), key);
        QCOMPARE(reader.GetFields(1)[0].sShow, QStringLiteral("REGION"));
    }
};

QTEST_MAIN(TestReadMapFile)
#include "tst_readmapfile.moc"
