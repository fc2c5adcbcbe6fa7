// The commands of the main window on the sample map of North Carolina (map units in degrees):
// the information tool on real counties, the list clicks, the copy commands with what they
// put on the clipboard, and printing to a PDF file that is read back.
#include "mainwindowfixture.h"

#include "app/mapdefs/creadmapfile.h"
#include "app/files/optionfile.h"
#include "app/output/printcommand.h"
#include "app/view/frmclassification.h"
#include "app/view/infotool.h"
#include "app/view/mapsession.h"
#include "contracts/runtimeerror.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPrintDialog>
#include <QProgressBar>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTimer>
#include <QtTest>

#include <cmath>

namespace {

void click(QWidget *widget, QPointF at)
{
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void clickRow(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// Runs a program of the PDF tools; its standard output, or nothing when it failed.
QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

bool near(QRgb pixel, MapColor colour)
{
    const QColor c = toQColor(colour);
    return std::abs(qRed(pixel) - c.red()) <= 6 && std::abs(qGreen(pixel) - c.green()) <= 6 &&
           std::abs(qBlue(pixel) - c.blue()) <= 6;
}

} // namespace

class TestMainCommands : public QObject {
    Q_OBJECT

private:
    MainWindowFixture m_window;
    MainForm *m_form = nullptr;
    MapWidget *m_map = nullptr;

    MapSession &session() { return m_form->session(); }
    std::shared_ptr<MapLayer> thematicLayer() { return m_map->Layer(session().Values.ThematicLayer); }
    std::shared_ptr<ClassBreaksRenderer> renderer() { return thematicLayer()->Renderer(); }
    QString info() const { return m_form->panelText(QStringLiteral("Info")); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_window.start(QStringLiteral("nc_births_74.tq")));
        m_form = m_window.form.get();
        m_map = m_window.map;
        QVERIFY(renderer());
    }

    void informationOfTheClickedCounty()
    {
        m_form->menuEntry(QStringLiteral("mnuInfo"))->trigger();
        QVERIFY(m_form->toolButton(QStringLiteral("Info"))->isChecked());
        QCOMPARE(m_map->MousePointer(), int(InfoPointer));
        const std::shared_ptr<MapLayer> layer = thematicLayer();
        // Randolph county, central North Carolina: 4,456 live births 1974-78.
        int checked = 0;
        for (int record = 0; record < layer->RecordCount(); ++record) {
            const MapShape shape = layer->RecordShape(record);
            const QString name = layer->FieldValue(record, QStringLiteral("NAME")).toString();
            const MapPoint inside = shape.Centroid();
            const QPointF pixel = m_map->FromMapPoint(inside);
            // Every ninth county whose centre lies inside it, and Randolph.
            if (!shape.Contains(inside) || !m_map->rect().contains(pixel.toPoint()) ||
                (record % 9 != 0 && name != QLatin1String("Randolph")))
                continue;
            click(m_map, pixel);
            // Within 12 degrees lie all counties; the clicked one is shown, not a neighbour.
            QVERIFY2(info().contains(QStringLiteral("   County : ") + name + QStringLiteral("   ")),
                     qPrintable(name + QStringLiteral(": ") + info()));
            if (name == QLatin1String("Randolph"))
                QCOMPARE(info(), QStringLiteral("REGION : 37151   County : Randolph   Value : 4,456"));
            ++checked;
        }
        QVERIFY(checked >= 10);
        QVERIFY(m_window.messages.isEmpty());
    }

    void informationFarFromEveryCountyIsEmpty()
    {
        m_form->toolButton(QStringLiteral("Info"))->trigger();
        click(m_map, m_map->rect().center());
        QVERIFY(!info().isEmpty());
        // Seven steps out: the corners of the map lie far more than 12 degrees from the state.
        for (int i = 0; i < 7; ++i)
            m_form->toolButton(QStringLiteral("OutZoom"))->trigger();
        click(m_map, QPointF(2, 2));
        QCOMPARE(info(), QString());
        QVERIFY(m_window.messages.isEmpty());
        m_form->toolButton(QStringLiteral("FullExtent"))->trigger();
        m_form->toolButton(QStringLiteral("ZoomIn"))->trigger();
    }

    void regionPreferredOverNearerNeighbours()
    {
        // A point inside a county is answered with that county also when the distance takes in
        // the whole state.
        const std::shared_ptr<MapLayer> layer = thematicLayer();
        for (int record = 0; record < layer->RecordCount(); record += 5) {
            const MapShape shape = layer->RecordShape(record);
            if (!shape.Contains(shape.Centroid()))
                continue;
            const auto found = InfoRegion(*layer, shape.Centroid(), 50.0);
            QVERIFY(found);
            QCOMPARE(found->FeatureId(), record);
        }
        // Beside the coast, outside every county, the nearest within the distance.
        const auto offshore = InfoRegion(*layer, MapPoint{-75.0, 35.0}, 1.0);
        QVERIFY(offshore);
        QVERIFY(!offshore->Shape().Contains(MapPoint{-75.0, 35.0}));
        QVERIFY(!InfoRegion(*layer, MapPoint{-60.0, 35.0}, 12.0));
    }

    void fieldMissingFromTheLayerTable()
    {
        // A map definition naming a name field that the layer table lacks.
        CReadMapFile &reader = session().MapReader;
        const QString iniFile = reader.IniFile;
        QFile original(iniFile);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QString wrong = m_window.path(QStringLiteral("wrong.ini"));
        QFile copy(wrong);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(original.readAll().replace("NameField=NAME", "NameField=COUNTY"));
        copy.close();
        reader.IniFile = wrong;
        m_form->setPanelText(QStringLiteral("Info"), QStringLiteral("old"));
        Info(session().Context, m_map->ToMapPoint(m_map->width() / 2.0, m_map->height() / 2.0));
        reader.IniFile = iniFile;
        QCOMPARE(m_window.messages.size(), 1);
        QCOMPARE(m_window.messages.takeFirst(),
                 QStringLiteral("Chorel (Info)|Can't show COUNTY\r\nCheck the field names in ") +
                     wrong + QStringLiteral(" and ") + thematicLayer()->FileName() +
                     QStringLiteral(" (shape file), which have to be identical."));
    }

    void legendEntryShowsItsClassesAgain()
    {
        LegendWidget *legend = session().Legend;
        const QString full = legend->LegendText();
        legend->setLayerExpanded(0, false);
        QVERIFY(legend->LegendText() != full);
        // Entry 0 also opens the thematic settings dialog; it is closed unchanged.
        QTimer::singleShot(0, this, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        QTest::mouseDClick(legend, Qt::LeftButton, {}, QPoint(20, 8));
        QCOMPARE(legend->LegendText(), full);
    }

    void progressBarLiesOverTheInfoPanel()
    {
        QProgressBar *bar = m_form->progressBar();
        QLabel *info = m_form->widgets().panels.value(QStringLiteral("Info"));
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->parentWidget(), info->parentWidget());
        // Shown, it covers the panel, which is as wide as its text.
        bar->setVisible(true);
        QCoreApplication::processEvents();
        QCOMPARE(bar->geometry().left(), info->geometry().left());
        QCOMPARE(bar->geometry().width(), info->geometry().width());
        bar->setVisible(false);
    }

    void listClicksIgnoredWhileListsAreUpdated()
    {
        QListWidget *list = m_form->statList();
        QCOMPARE(session().State.CurrentColumn, 1);
        session().State.UpdatingLists = true;
        clickRow(list, 1);
        QCOMPARE(session().State.CurrentColumn, 1);
        session().State.UpdatingLists = false;

        m_form->setPanelText(QStringLiteral("Info"), QStringLiteral("old"));
        clickRow(list, 1);
        QCOMPARE(session().State.CurrentColumn, 2);
        QVERIFY(!session().State.UpdatingLists);
        QCOMPARE(info(), QString());
        QVERIFY(session().Legend->LegendText().startsWith(QStringLiteral("Sudden infant deaths")));
        clickRow(list, 0);
        QCOMPARE(session().State.CurrentColumn, 1);
    }

    void copyTitleText()
    {
        m_form->menuEntry(QStringLiteral("mnuCopyTitle"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("Live births and sudden infant deaths by county and contents, "
                                "North Carolina 1974-78\r\nLive births"));
    }

    void copyPictures_data()
    {
        QTest::addColumn<QString>("menuEntry");
        QTest::addColumn<QSize>("size");
        QTest::newRow("map") << "mnuCopyMap" << QSize();
        QTest::newRow("legend") << "mnuCopyLegend" << session().Legend->LegendSize();
        QTest::newRow("legend image") << "mnuLegendImage" << session().Legend->LegendImageSize();
    }

    void copyPictures()
    {
        QFETCH(QString, menuEntry);
        QFETCH(QSize, size);
        if (!size.isValid())
            size = m_map->size();
        QGuiApplication::clipboard()->clear();
        m_form->menuEntry(menuEntry)->trigger();
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        // The metafile: a placeable metafile's key.
        const QByteArray wmf = data->data(QStringLiteral("image/x-wmf"));
        QVERIFY(wmf.startsWith(QByteArray::fromHex("d7cdc69a")));
        // The PNG image, of the picture's size, with the first class's colour in it.
        QImage png;
        QVERIFY(png.loadFromData(data->data(QStringLiteral("image/png")), "PNG"));
        QCOMPARE(png.size(), size);
        bool classColour = false;
        for (int y = 0; y < png.height() && !classColour; ++y)
            for (int x = 0; x < png.width() && !classColour; ++x)
                classColour = near(png.pixel(x, y), renderer()->Symbol(1).Color);
        QVERIFY(classColour);
        // The SVG drawing of the same size.
        QSvgRenderer svg(data->data(QStringLiteral("image/svg+xml")));
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBox().size(), size);
        QVERIFY(m_window.messages.isEmpty());
    }

    void copyButtonRepeatsTheChosenEntry()
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        QAction *button = m_form->toolButton(QStringLiteral("Copy"));
        const QString legendText = session().Legend->LegendText();
        QVERIFY(legendText.contains(QStringLiteral("Live births\r\n")));

        m_form->menuEntry(QStringLiteral("mnuLgdText"))->trigger();
        QCOMPARE(clipboard->text(), legendText);

        // At first the button copies the title.
        button->trigger();
        QVERIFY(clipboard->text().endsWith(QStringLiteral("\r\nLive births")));
        QAction *entry = m_form->widgets().copyEntries.value(QStringLiteral("CopyLgdTxt"));
        entry->trigger();
        QCOMPARE(clipboard->text(), legendText);
        clipboard->clear();
        button->trigger();
        QCOMPARE(clipboard->text(), legendText);

        m_form->widgets().copyEntries.value(QStringLiteral("CopyMap"))->trigger();
        clipboard->clear();
        button->trigger();
        QVERIFY(clipboard->mimeData()->hasFormat(QStringLiteral("image/x-wmf")));
        QCOMPARE(QImage::fromData(clipboard->mimeData()->data(QStringLiteral("image/png"))).size(),
                 m_map->size());

        m_form->widgets().copyEntries.value(QStringLiteral("CopyTitle"))->trigger();
        clipboard->clear();
        button->trigger();
        QVERIFY(clipboard->text().endsWith(QStringLiteral("\r\nLive births")));
    }

    void paperLinesAreRestored()
    {
        // Outlines wider than 1 are five times as wide while printing, and as before after.
        const auto classes = renderer();
        QVERIFY(classes->SymbolCount() >= 4);
        classes->Symbol(1).Size = 2;
        classes->Symbol(2).Size = 1;
        classes->Symbol(3).Size = 3;
        classes->Symbol(3).Outline = false;
        PrintInput input;
        input.map = m_map;
        input.thematicLayer = session().Values.ThematicLayer;
        {
            const PaperLines paper(input);
            QCOMPARE(classes->Symbol(1).Size, 10.0);
            QCOMPARE(classes->Symbol(2).Size, 1.0);
            QCOMPARE(classes->Symbol(3).Size, 3.0);
        }
        QCOMPARE(classes->Symbol(1).Size, 2.0);
        QCOMPARE(classes->Symbol(2).Size, 1.0);

        // A print that fails leaves them as they were too.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_window.path(QStringLiteral("missing/map.pdf")));
        bool raised = false;
        try {
            PrintMapOnPaper(printer, input);
        } catch (const RunTimeError &error) {
            raised = error.number() == 482;
        }
        QVERIFY(raised);
        QCOMPARE(classes->Symbol(1).Size, 2.0);
        QCOMPARE(classes->Symbol(3).Size, 3.0);
        classes->Symbol(3).Outline = true;
        for (int i = 1; i <= 3; ++i)
            classes->Symbol(i).Size = 1;
    }

    void printToPdfFile()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        auto *print = m_form->findChild<PrintCommand *>(QStringLiteral("PrintCommand"));
        QVERIFY(print);
        const QString pdf = m_window.path(QStringLiteral("map.pdf"));
        print->printer().setOutputFormat(QPrinter::PdfFormat);
        print->printer().setOutputFileName(pdf);
        renderer()->Symbol(1).Size = 2;
        QString title;
        bool landscape = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            landscape = dialog->printer()->pageLayout().orientation() == QPageLayout::Landscape;
            dialog->accept();
        });
        m_form->menuEntry(QStringLiteral("mnuPrint"))->trigger();
        QCOMPARE(title, QStringLiteral("Print"));
        QVERIFY(landscape);
        QCOMPARE(renderer()->Symbol(1).Size, 2.0);
        renderer()->Symbol(1).Size = 1;
        QVERIFY2(m_window.messages.isEmpty(), qPrintable(m_window.messages.join(u'\n')));

        // One landscape page with the colours of the four classes.
        const QString pdfInfo = QString::fromUtf8(runTool(QStringLiteral("pdfinfo"), {pdf}));
        QVERIFY2(pdfInfo.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(pdfInfo));
        const QRegularExpressionMatch page =
            QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(pdfInfo);
        QVERIFY(page.hasMatch());
        QVERIFY(page.captured(1).toDouble() > page.captured(2).toDouble());
        const QString prefix = m_window.path(QStringLiteral("page"));
        runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("40"),
                                             QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                             pdf, prefix});
        const QImage image(prefix + QStringLiteral(".png"));
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > image.height());
        for (int symbol = 1; symbol <= renderer()->BreakCount(); ++symbol) {
            const MapColor colour = renderer()->Symbol(symbol).Color;
            int found = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    found += near(image.pixel(x, y), colour) ? 1 : 0;
            QVERIFY2(found > 20, qPrintable(QStringLiteral("class %1").arg(symbol)));
        }
    }

    // View > Labels, the thematic dialog's labels choice and the option file's Labels key.
    void labelsInTheWindow()
    {
        QAction *labels = m_window.form->findChild<QAction *>(QStringLiteral("mnuLabels"));
        QVERIFY(labels && labels->isCheckable() && labels->isEnabled());
        QVERIFY(!labels->isChecked());
        m_map->grab();
        QVERIFY(m_map->LastLabelPlacement().placed.empty());
        labels->trigger();
        QVERIFY(labels->isChecked());
        m_map->grab();
        const LabelPlacement whole = m_map->LastLabelPlacement();
        QVERIFY2(whole.placed.size() >= 8, qPrintable(QString::number(whole.placed.size())));
        const QRectF widget(QPointF(0, 0), QSizeF(m_map->size()));
        for (const PlacedLabel &label : whole.placed)
            QVERIFY(widget.contains(label.box));
        // Zoomed in on the middle third: placed again, the counties larger, fewer left out.
        const MapRectangle e = m_map->Extent();
        m_map->SetExtent(e.ScaleRectangle(1.0 / 3.0));
        m_map->grab();
        const LabelPlacement zoomed = m_map->LastLabelPlacement();
        QVERIFY(!zoomed.placed.empty());
        for (const PlacedLabel &label : zoomed.placed)
            QVERIFY(widget.contains(label.box));
        QVERIFY(zoomed.placed.front().box != whole.placed.front().box
                || zoomed.placed.size() != whole.placed.size());
        m_map->SetExtent(e);

        // Saved with the labels, the option file says so.
        QTemporaryDir folder;
        OptionFileSource source;
        source.DataFile = m_window.path(QStringLiteral("TQ-files/nc_births_74.tq"));
        source.MapIniName = QStringLiteral("NC.INI");
        source.Map = m_map;
        source.State = &session().State;
        source.Values = &session().Values;
        QVERIFY(CreateTQO(source, folder.filePath(QStringLiteral("labelled"))));
        QFile saved(folder.filePath(QStringLiteral("labelled.tqo")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("[SYMBOLIC]\r\nLabels=name\r\n"));

        // The thematic dialog: values instead of names.
        {
            frmClassification dialog(session().Context, folder.path(), m_form);
            QCOMPARE(dialog.cmbLabels->currentIndex(), int(LabelMode::Name));
            dialog.cmbLabels->setCurrentIndex(int(LabelMode::Value));
            dialog.cmdOK_Click();
        }
        QCOMPARE(session().State.Labels, std::optional<LabelMode>(LabelMode::Value));
        m_map->grab();
        const LabelPlacement values = m_map->LastLabelPlacement();
        QVERIFY(!values.placed.empty());
        bool number = false;
        QString(values.placed.front().text).remove(u',').toDouble(&number);
        QVERIFY2(number, qPrintable(values.placed.front().text));

        labels->trigger();
        QVERIFY(!labels->isChecked());
        m_map->grab();
        QVERIFY(m_map->LastLabelPlacement().placed.empty());
        // Turned on again, the labels show what they showed last.
        labels->trigger();
        QCOMPARE(session().State.Labels, std::optional<LabelMode>(LabelMode::Value));
        labels->trigger();
    }
};

QTEST_MAIN(TestMainCommands)
#include "tst_maincommands.moc"
