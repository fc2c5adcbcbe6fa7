// What the window shows of the classes against what it paints: the class grid's limits and
// counts, the legend preview and the main legend against the colours of the painted regions,
// on the three samples and every class type; the circle legend at a size of 0 % and with
// negative values; a circle map's classes when the statistic changes; the legend image with a
// second layer; the classification a map definition's [DEFAULT] asks for; and the map list
// followed from the keyboard.
#include "thematicfixture.h"

#include "app/view/cdrawsymbol.h"
#include "app/view/frmclassification.h"
#include "app/view/mapsession.h"
#include "bandwise/breakcompute.h"
#include "bandwise/classification.h"
#include "contracts/mapclassbreaksrenderer.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include <shapefil.h>

#include <cmath>

namespace {

// The region codes (FIPS) of the North Carolina sample, in record order.
QStringList ncCodes()
{
    QStringList codes;
    const QString path = qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/nc_counties");
    DBFHandle table = DBFOpen(path.toLocal8Bit().constData(), "rb");
    if (!table)
        return codes;
    const int field = DBFGetFieldIndex(table, "FIPS");
    for (int r = 0; r < DBFGetRecordCount(table); ++r)
        codes << QString::fromLatin1(DBFReadStringAttribute(table, r, field)).trimmed();
    DBFClose(table);
    return codes;
}

// A semicolon statistics file for the North Carolina counties naming the map definition ini;
// statistic s of county r is value(s, r).
void writeNcFile(const QString &path, const QString &ini, const QStringList &names,
                 const std::function<QString(int, int)> &value)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QString text = ini + QStringLiteral("\r\nFIPS;") + names.join(u';') + QStringLiteral(";\r\n");
    const QStringList codes = ncCodes();
    QVERIFY(codes.size() == 100);
    for (int r = 0; r < codes.size(); ++r) {
        text += codes.at(r) + u';';
        for (int s = 0; s < names.size(); ++s)
            text += value(s, r) + u';';
        text += QStringLiteral("\r\n");
    }
    file.write(text.toUtf8());
}

// A copy of the sample map definition NC.INI with lines added to sections.
void writeNcDefinition(const QString &path, const QString &maps, const QString &fields,
                       const QString &defaults)
{
    QFile from(qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/NC.INI"));
    QVERIFY(from.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(from.readAll());
    text.replace(QStringLiteral("[MAPS]\r\n"), QStringLiteral("[MAPS]\r\n") + maps);
    text.replace(QStringLiteral("[MAPS]\n"), QStringLiteral("[MAPS]\n") + maps);
    text.replace(QStringLiteral("Size=1"), QStringLiteral("Size=1\n") + fields);
    text.replace(QStringLiteral("[DEFAULT]"), QStringLiteral("[DEFAULT]\n") + defaults);
    QFile to(path);
    QVERIFY(to.open(QIODevice::WriteOnly));
    to.write(text.toUtf8());
}

bool near(QColor a, MapColor b)
{
    const QColor c = toQColor(b);
    return std::abs(a.red() - c.red()) <= 3 && std::abs(a.green() - c.green()) <= 3 &&
           std::abs(a.blue() - c.blue()) <= 3;
}

int pixelsNear(const QImage &image, MapColor colour)
{
    int found = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            found += near(image.pixelColor(x, y), colour) ? 1 : 0;
    return found;
}

QStringList rangeLines(const QString &legendText)
{
    QStringList ranges;
    for (const QString &line : legendText.split(QStringLiteral("\r\n")))
        if (line.contains(QStringLiteral(" - ")))
            ranges << line;
    return ranges;
}

} // namespace

class TestPaintedClasses : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ThematicFixture> m_f;

    // A new window on file of the program folder; prepare writes files there first. False
    // when the map did not appear.
    bool start(const QString &file, const QStringList &arguments,
               const std::function<void(ThematicFixture &)> &prepare = {})
    {
        m_f.reset();
        m_f = std::make_unique<ThematicFixture>();
        if (prepare) {
            QDir(m_f->home.path()).mkpath(QStringLiteral("Maps"));
            QDir(m_f->home.path()).mkpath(QStringLiteral("TQ-files"));
            prepare(*m_f);
        }
        const bool started = m_f->start(file, arguments);
        if (!started)
            qWarning() << m_f->messages;
        return started;
    }

    // Every region with data against the classes shown: the pixel at its centre has the colour
    // of the class the renderer gives its value; that class's grid row holds the value
    // (strictly where the values have no more decimals than the limits show) and counts the
    // regions of that class; the legend preview names the grid's limits.
    void checkGridAgainstPainting(frmClassification &d, const QString &what)
    {
        ThematicFixture &f = *m_f;
        const auto renderer = d.clfClass->Renderer();
        QVERIFY2(renderer && renderer->BreakCount() >= 3, qPrintable(what));
        QTableWidget *grid = d.clfClass->Grid();
        QCOMPARE(grid->rowCount(), renderer->BreakCount());
        const auto layer = f.map->Layer(f.session().Values.ThematicLayer);
        const QImage picture = f.picture(); // the dialog's classes are on the shared layer
        const int decimals = f.session().Values.Decimals;
        const double step = SmallestStep(decimals);
        QList<int> painted(renderer->BreakCount(), 0);
        int pixelsChecked = 0;
        for (int r = 0; r < layer->RecordCount(); ++r) {
            bool ok = false;
            const double v = layer->FieldValue(r, renderer->Field()).toDouble(&ok);
            if (!ok || v <= f.session().Values.NullValue)
                continue;
            const int symbol = renderer->SymbolIndex(v);
            if (symbol < 1)
                continue;
            ++painted[symbol - 1];
            const double lower = grid->item(symbol - 1, 0)->data(Qt::UserRole).toDouble();
            const double upper = grid->item(symbol - 1, 1)->data(Qt::UserRole).toDouble();
            const bool exact = RoundToDecimals(v, decimals) == v;
            const bool inside = exact ? lower <= v && v <= upper
                                      : lower - step < v && v < upper + step;
            QVERIFY2(inside, qPrintable(QStringLiteral("%1: %2 painted in class %3, shown %4 - %5")
                                            .arg(what)
                                            .arg(v)
                                            .arg(symbol)
                                            .arg(grid->item(symbol - 1, 0)->text(),
                                                 grid->item(symbol - 1, 1)->text())));
            // The painted colour at the centre of a region large enough to show it.
            const MapShape shape = layer->RecordShape(r);
            const MapPoint centre = shape.Centroid();
            const QPoint pixel = f.map->FromMapPoint(centre).toPoint();
            if (!shape.Contains(centre) || !QRect(QPoint(2, 2), picture.size() - QSize(4, 4)).contains(pixel))
                continue;
            bool uniform = true;
            for (int dx = -2; dx <= 2 && uniform; ++dx)
                for (int dy = -2; dy <= 2; ++dy)
                    uniform = uniform && picture.pixel(pixel + QPoint(dx, dy)) == picture.pixel(pixel);
            if (!uniform)
                continue;
            QVERIFY2(near(picture.pixelColor(pixel), renderer->Symbol(symbol).Color),
                     qPrintable(what + QStringLiteral(": region %1").arg(r)));
            ++pixelsChecked;
        }
        QVERIFY2(pixelsChecked >= 10, qPrintable(what));
        const QStringList legend = rangeLines(d.clfClass->Legend()->LegendText());
        QCOMPARE(legend.size(), grid->rowCount());
        for (int i = 0; i < grid->rowCount(); ++i) {
            QVERIFY2(grid->item(i, 2)->text() == QString::number(painted.at(i)),
                     qPrintable(QStringLiteral("%1: class %2 counts %3, painted %4")
                                    .arg(what)
                                    .arg(i + 1)
                                    .arg(grid->item(i, 2)->text())
                                    .arg(painted.at(i))));
            QCOMPARE(legend.at(i), grid->item(i, 0)->text() + QStringLiteral(" - ") +
                                       grid->item(i, 1)->text());
        }
    }

private slots:
    void cleanup() { m_f.reset(); }

    void gridCountsAndLimitsAreThoseOfThePaintedClasses_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("statistic");
        QTest::newRow("NC live births") << QStringLiteral("nc_births_74.tq") << QStringLiteral("1");
        QTest::newRow("NY population") << QStringLiteral("ny_leukaemia.tq") << QStringLiteral("1");
        QTest::newRow("NY aged 65 and over") << QStringLiteral("ny_leukaemia.tq") << QStringLiteral("3");
        QTest::newRow("world life expectancy (one decimal)")
            << QStringLiteral("world_2014.sdv") << QStringLiteral("2");
        QTest::newRow("world population") << QStringLiteral("world_2014.sdv") << QStringLiteral("1");
    }

    void gridCountsAndLimitsAreThoseOfThePaintedClasses()
    {
        QFETCH(QString, file);
        QFETCH(QString, statistic);
        QVERIFY(start(file, {QStringLiteral("--stat"), statistic}));
        ThematicFixture &f = *m_f;
        const QList<QPair<QString, QString>> types{{"Quantile", "4"},
                                                   {"Quantile", "6"},
                                                   {"Equal Interval", "5"},
                                                   {"Natural breaks", "6"},
                                                   {"Rounded limits", "5"}};
        auto d = f.dialog();
        for (const auto &[type, classes] : types) {
            Choose(d->clfClass->ClassBox(), classes);
            Choose(d->clfClass->TypeBox(), type);
            checkGridAgainstPainting(*d, type + u' ' + classes);
        }
        // Typed limits: the first class ends at a value a region has (the median), which the
        // class holds.
        Choose(d->clfClass->ClassBox(), QStringLiteral("4"));
        Choose(d->clfClass->TypeBox(), QStringLiteral("Quantile"));
        Choose(d->clfClass->TypeBox(), QStringLiteral("Custom"));
        const auto layer = f.map->Layer(f.session().Values.ThematicLayer);
        QList<double> values;
        for (int r = 0; r < layer->RecordCount(); ++r) {
            const double v = layer->FieldValue(r, QStringLiteral("STAT")).toDouble();
            if (v > f.session().Values.NullValue)
                values << v;
        }
        std::sort(values.begin(), values.end());
        const double median = values.at(values.size() / 2 - 1);
        const double secondUpper = d->clfClass->Grid()->item(1, 1)->data(Qt::UserRole).toDouble();
        if (median < secondUpper && median > values.first()) {
            d->clfClass->fgStat_Click(0, 1);
            d->clfClass->LimitBox()->setText(QString::number(median, 'f', f.session().Values.Decimals)
                                                 .replace(u'.', QLocale().decimalPoint()));
            QTest::keyClick(d->clfClass->LimitBox(), Qt::Key_Return);
            QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join(u'\n')));
            QCOMPARE(d->clfClass->Renderer()->SymbolIndex(median), 1);
            checkGridAgainstPainting(*d, QStringLiteral("Custom"));
        }
        // OK: the main legend names the same limits as the grid.
        const QStringList grid = rangeLines(d->clfClass->Legend()->LegendText());
        d->cmdOK->click();
        QCOMPARE(rangeLines(f.session().Legend->LegendText()), grid);
    }

    // At a circle size of 0 % the map draws no circle; neither does the legend.
    void noCircleAtZeroPercent()
    {
        QVERIFY(start(QStringLiteral("nc_births_74.tq"),
                                   {QStringLiteral("-c"), QStringLiteral("circle")}));
        ThematicFixture &f = *m_f;
        QVERIFY(f.session().State.CircleMap);
        const MapColor colour = f.session().State.SymbolColor;
        const auto legendPicture = [&f] {
            LegendWidget &legend = *f.session().Legend;
            QImage image(legend.LegendSize(), QImage::Format_RGB32);
            QPainter painter(&image);
            legend.PaintLegend(painter);
            return image;
        };
        QVERIFY(pixelsNear(legendPicture(), colour) > 100);
        auto d = f.dialog();
        QCOMPARE(d->stbSymbolic->currentIndex(), 1);
        d->txtPercent->setText(QStringLiteral("0"));
        d->cmdOK->click();
        QVERIFY(f.session().State.CircleMap);
        QCOMPARE(pixelsNear(f.picture(), colour), 0);
        QCOMPARE(pixelsNear(legendPicture(), colour), 0);
        QCOMPARE(f.session().Legend->LegendImageSize().width() < 20, true);
    }

    // A region with a value below 0 gets no circle; the legend's smallest symbol is the
    // smallest value drawn; a batch run says how many regions got none.
    void noCircleForNegativeValues()
    {
        const auto prepare = [](ThematicFixture &f) {
            writeNcFile(f.path(QStringLiteral("TQ-files/nc_change.sdv")), QStringLiteral("NC.INI"),
                        {QStringLiteral("Change")}, [](int, int r) {
                            return r == 0 ? QStringLiteral("-1") : QString::number(r * 10);
                        });
        };
        QVERIFY(start(QStringLiteral("nc_change.sdv"),
                                   {QStringLiteral("-c"), QStringLiteral("circle")}, prepare));
        ThematicFixture &f = *m_f;
        const CDrawSymbol *drawer = f.session().Values.SymbolDrawer.get();
        QVERIFY(drawer);
        QCOMPARE(drawer->Shapes().size(), 99);
        QCOMPARE(*drawer->SmallestValue(), 10.0);
        const QString legend = f.session().Legend->LegendText();
        QVERIFY2(legend.contains(QStringLiteral("Smallest symbol: 10\r\n")), qPrintable(legend));
        QVERIFY(!legend.contains(QStringLiteral("-1")));
        QVERIFY(f.messages.isEmpty());

        QProcess chorel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CHOREL_HOME"), f.home.path());
        chorel.setProcessEnvironment(env);
        chorel.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"),
                     {QStringLiteral("-f"), f.path(QStringLiteral("TQ-files/nc_change.sdv")),
                      QStringLiteral("-c"), QStringLiteral("circle"), QStringLiteral("-o"),
                      f.path(QStringLiteral("circles.png"))});
        QVERIFY(chorel.waitForFinished(120000));
        QCOMPARE(chorel.exitCode(), 0);
        const QString err = QString::fromUtf8(chorel.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("1 region(s) with a value below 0")), qPrintable(err));
    }

    // A circle map changed to another statistic classifies it as a fresh map of it would;
    // limits typed by hand for a statistic stay with it.
    void circleMapClassesFollowTheStatistic()
    {
        const auto prepare = [](ThematicFixture &f) {
            writeNcFile(f.path(QStringLiteral("TQ-files/nc_two.sdv")), QStringLiteral("NC.INI"),
                        {QStringLiteral("Small"), QStringLiteral("Large")}, [](int s, int r) {
                            return QString::number(s == 0 ? r + 1 : (r + 1) * (r + 1) * 37);
                        });
        };
        QList<double> freshLarge;
        {
            QVERIFY(start(QStringLiteral("nc_two.sdv"),
                                       {QStringLiteral("-c"), QStringLiteral("circle"),
                                        QStringLiteral("--stat"), QStringLiteral("2")},
                                       prepare));
        ThematicFixture &f = *m_f;
            const auto &renderer = *f.session().Values.CurrentRenderer;
            for (int i = 0; i < renderer.BreakCount(); ++i)
                freshLarge << renderer.Break(i);
        }
        QVERIFY(start(QStringLiteral("nc_two.sdv"),
                                   {QStringLiteral("-c"), QStringLiteral("circle")}, prepare));
        ThematicFixture &f = *m_f;
        const auto breaks = [&f] {
            QList<double> list;
            const auto &renderer = *f.session().Values.CurrentRenderer;
            for (int i = 0; i < renderer.BreakCount(); ++i)
                list << renderer.Break(i);
            return list;
        };
        const QList<double> small = breaks();
        QVERIFY(small != freshLarge);
        QListWidget *list = f.form->statList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QCOMPARE(f.session().State.CurrentColumn, 2);
        QVERIFY(f.session().State.CircleMap);
        QCOMPARE(breaks(), freshLarge);

        // Limits typed for the first statistic (as a choropleth map, then circles again).
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(breaks(), small);
        {
            auto d = f.dialog();
            d->stbSymbolic->setCurrentIndex(0);
            Choose(d->clfClass->TypeBox(), QStringLiteral("Custom"));
            d->clfClass->LimitBox()->setText(QStringLiteral("7"));
            QTest::keyClick(d->clfClass->LimitBox(), Qt::Key_Return);
            d->cmdOK->click();
        }
        const QList<double> typed = breaks();
        QCOMPARE(typed.at(1), 7.0);
        {
            auto d = f.dialog();
            d->stbSymbolic->setCurrentIndex(1);
            d->cmdOK->click();
        }
        QVERIFY(f.session().State.CircleMap);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QCOMPARE(breaks(), freshLarge);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(breaks(), typed);
    }

    // A second layer: the legend image still shows the classes, and the legend names the
    // layer by its caption.
    void legendImageWithASecondLayer()
    {
        const auto prepare = [](ThematicFixture &f) {
            QFile::copy(qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/nc_counties.shp"),
                        f.path(QStringLiteral("Maps/border.shp")));
            QFile::copy(qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/nc_counties.shx"),
                        f.path(QStringLiteral("Maps/border.shx")));
            QFile::copy(qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Maps/nc_counties.dbf"),
                        f.path(QStringLiteral("Maps/border.dbf")));
            writeNcDefinition(f.path(QStringLiteral("Maps/NCE.INI")),
                              QStringLiteral("E1=border.shp\n"),
                              QStringLiteral("ECaption=County borders\n"), QString());
            writeNcFile(f.path(QStringLiteral("TQ-files/nc_e.sdv")), QStringLiteral("NCE.INI"),
                        {QStringLiteral("Value")},
                        [](int, int r) { return QString::number(r + 1); });
        };
        QVERIFY(start(QStringLiteral("nc_e.sdv"), {}, prepare));
        ThematicFixture &f = *m_f;
        QCOMPARE(f.map->LayerCount(), 2);
        LegendWidget &legend = *f.session().Legend;
        const QSize size = legend.LegendImageSize();
        QVERIFY2(size.width() > 4 * 24, qPrintable(QString::number(size.width())));
        QImage image(size, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            legend.PaintLegendImage(painter);
        }
        const auto renderer = f.map->Layer(f.session().Values.ThematicLayer)->Renderer();
        for (int symbol = 1; symbol <= renderer->BreakCount(); ++symbol)
            QVERIFY2(pixelsNear(image, renderer->Symbol(symbol).Color) > 50,
                     qPrintable(QString::number(symbol)));
        QVERIFY(legend.LegendText().contains(QStringLiteral("County borders\r\n")));
        QVERIFY(!legend.LegendText().contains(QStringLiteral("border.shp")));
    }

    // [DEFAULT] Method= and Classes= classify a map; the switches go before them.
    void classificationOfTheMapDefinition()
    {
        const auto prepare = [](ThematicFixture &f) {
            writeNcDefinition(f.path(QStringLiteral("Maps/NCM.INI")), QString(), QString(),
                              QStringLiteral("Method=equal\nClasses=5\n"));
            writeNcFile(f.path(QStringLiteral("TQ-files/nc_m.sdv")), QStringLiteral("NCM.INI"),
                        {QStringLiteral("Value")},
                        [](int, int r) { return QString::number(r + 1); });
        };
        {
            QVERIFY(start(QStringLiteral("nc_m.sdv"), {}, prepare));
        ThematicFixture &f = *m_f;
            QCOMPARE(f.session().State.ClassType, int(kbEqual));
            const auto renderer = f.map->Layer(f.session().Values.ThematicLayer)->Renderer();
            QCOMPARE(renderer->BreakCount(), 5); // five classes, four breaks and no data
            QCOMPARE(renderer->Break(1), 1 + 99.0 / 5);
        }
        QVERIFY(start(QStringLiteral("nc_m.sdv"),
                                   {QStringLiteral("--method"), QStringLiteral("quantile")},
                                   prepare));
        ThematicFixture &f = *m_f;
        QCOMPARE(f.session().State.ClassType, int(kbQuantile));
        QCOMPARE(f.map->Layer(f.session().Values.ThematicLayer)->Renderer()->BreakCount(), 5);
        QVERIFY(f.messages.isEmpty());
    }

    // The map list's current row moved with the keyboard: the map follows after a short
    // rest, at once on Enter.
    void mapListFollowsTheKeyboard()
    {
        const auto prepare = [](ThematicFixture &f) {
            writeNcDefinition(f.path(QStringLiteral("Maps/NC2.INI")),
                              QStringLiteral("2=nc_counties.shp\n"),
                              QStringLiteral("[FIELDS2]\nMapName=Counties again\nKeyField=FIPS\n"
                                             "NameField=NAME\n"),
                              QString());
            QFile ini(f.path(QStringLiteral("Maps/NC2.INI")));
            QVERIFY(ini.open(QIODevice::ReadWrite));
            QString text = QString::fromUtf8(ini.readAll());
            text.replace(QStringLiteral("NumMaps=1"), QStringLiteral("NumMaps=2"));
            ini.resize(0);
            ini.write(text.toUtf8());
            ini.close();
            writeNcFile(f.path(QStringLiteral("TQ-files/nc_2.sdv")), QStringLiteral("NC2.INI"),
                        {QStringLiteral("Value")},
                        [](int, int r) { return QString::number(r + 1); });
        };
        QVERIFY(start(QStringLiteral("nc_2.sdv"), {}, prepare));
        ThematicFixture &f = *m_f;
        QTreeWidget *maps = f.form->mapList();
        QCOMPARE(maps->topLevelItemCount(), 2);
        QCOMPARE(f.session().State.CurrentMap, 1);
        maps->setFocus();
        QTest::keyClick(maps, Qt::Key_Down);
        QTRY_COMPARE(f.session().State.CurrentMap, 2);
        QTest::keyClick(maps, Qt::Key_Up);
        QTest::keyClick(maps, Qt::Key_Return);
        QCOMPARE(f.session().State.CurrentMap, 1);
        QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join(u'\n')));
    }
};

QTEST_MAIN(TestPaintedClasses)
#include "tst_paintedclasses.moc"
