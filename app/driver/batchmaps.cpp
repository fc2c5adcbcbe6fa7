#include "app/driver/batchmaps.h"

#include "app/runtime/chorelglobals.h"
#include "app/runtime/logfile.h"
#include "app/runtime/showmessage.h"
#include "app/driver/mainform.h"
#include "app/runtime/showmessage.h"
#include "app/files/optionfile.h"
#include "app/output/batchexport.h"
#include "app/output/exportnames.h"
#include "app/mapdefs/mapunits.h"
#include "app/output/outputguard.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/joinsummary.h"
#include "app/view/maplabelling.h"
#include "app/view/mapsession.h"
#include "kitbag/kbpath.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tableforge/dbfcreator.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cstdio>

namespace {

// The period of the statistics: the single-valued variable "period" (or "time", "year") of
// a cube file, from the table builder's list "Name=value, Name=value".
QString periodOf(const QString &statInfo)
{
    static const QRegularExpression period(
        QStringLiteral("(?:^|, )(?:period|time|year)=(.*?)(?=, [^,=]+=|$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = period.match(statInfo);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

} // namespace

SheetTexts SheetTextsOf(MainForm &form, int statistic)
{
    MapSession &session = form.session();
    DBFCreator &builder = session.TableBuilder(QString(), {});
    const QString file = form.state().DataFile;
    SheetTexts texts;
    texts.title = builder.GetTitle(file);
    texts.statistic = session.StatFieldList.value(statistic - 1);
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool cube = suffix == QLatin1String("tq") || suffix == QLatin1String("tqx");
    const QString period = cube ? periodOf(builder.GetStatInfo()) : QString();
    texts.source = QStringLiteral("Source: ") + QFileInfo(file).fileName();
    // a JSON-stat dataset says where its figures come from and when they were updated
    if (DBFCreator::IsValueFile(file) && !builder.SourceText().isEmpty())
        texts.source = QStringLiteral("Source: ") + builder.SourceText() + QStringLiteral(" (")
                       + QFileInfo(file).fileName() + u')';
    if (!period.isEmpty())
        texts.source += QStringLiteral(", period ") + period;
    // The title and the source line given on the command line go before the file's.
    const ParsedCommandLine &commandLine = form.commandLine();
    if (commandLine.has("title"))
        texts.title = commandLine.value("title");
    if (commandLine.has("source"))
        texts.source = commandLine.value("source");
    const int thematic = session.Values.ThematicLayer;
    if (thematic >= 0 && thematic < session.Map->LayerCount())
        texts.metresPerUnit = MetresPerMapUnit(session.Map->Layer(thematic)->FileName());
    texts.miles = form.state().Miles;
    return texts;
}

namespace {

// The statistics rows that matched no region, found for one layer and statistics table.
struct UnmatchedCache {
    std::weak_ptr<MapLayer> layer;
    QString keyField, table, statKey;
    UnmatchedRows rows;
};

// The statistics rows that match no region of the layer. When the table is the one the table
// builder wrote in this run, its codes are taken from the builder rather than read back.
UnmatchedRows unmatchedRows(MapSession &session, const MapLayer &layer, const QString &keyField,
                            const QString &table, const QString &statKey)
{
    const DBFCreator &builder = session.TableBuilder(QString(), {});
    const bool written = !builder.BuiltTablePath().isEmpty() && statKey == builder.KeyFld()
                         && QDir::cleanPath(builder.BuiltTablePath()) == QDir::cleanPath(table);
    return written ? FindUnmatchedRows(layer, keyField, builder.BuiltTableCodes())
                   : FindUnmatchedRows(layer, keyField, table, statKey);
}

// The join summary of the map shown, or none when no thematic layer is shown. With a cache,
// the unmatched rows of the layer and table it holds are taken from it (they do not depend on
// the column joined).
std::optional<JoinSummary> summariseJoin(MainForm &form, UnmatchedCache *cache)
{
    MapSession &session = form.session();
    const int thematic = session.Values.ThematicLayer;
    if (thematic < 0 || thematic >= session.Map->LayerCount())
        return std::nullopt;
    const auto layer = session.Map->Layer(thematic);
    const QString keyField = session.MapReader.GetKeyField(session.State.CurrentMap);
    const QString table = kbpath::findNoCase(QDir(session.MapReader.GetPathDir())
                                                 .filePath(session.StatTableName + QStringLiteral(".dbf")));
    UnmatchedCache fresh{layer, keyField, table, session.StatKeyField, {}};
    const bool known = cache && cache->layer.lock() == layer && cache->keyField == keyField
                       && cache->table == table && cache->statKey == fresh.statKey;
    if (!known)
        fresh.rows = unmatchedRows(session, *layer, keyField, table, fresh.statKey);
    const UnmatchedCache &found = known ? *cache : fresh;
    JoinSummary summary = MakeJoinSummary(*layer, keyField, session.MapReader.GetStatField(),
                                          session.Values.NullValue, found.rows);
    if (cache && !known)
        *cache = fresh;
    return summary;
}

// The files the run reads, which no output may replace.
QStringList runInputs(MainForm &form)
{
    const MainState &state = form.state();
    QStringList inputs = form.session().MapReader.SourceFiles();
    inputs << state.DataFile << state.OptionFile << state.LanguageFile;
    return inputs;
}

// The figures of the shown map, region by region, with the texts of its sheet.
std::optional<MapFigures> mapFigures(MainForm &form, int statistic)
{
    MapSession &session = form.session();
    const int thematic = session.Values.ThematicLayer;
    if (thematic < 0 || thematic >= session.Map->LayerCount() || !session.Map->Layer(thematic))
        return std::nullopt;
    const SheetTexts texts = SheetTextsOf(form, statistic);
    MapFigures figures;
    figures.title = texts.title;
    figures.statistic = texts.statistic;
    figures.source = texts.source;
    figures.numberFormat = session.Values.NumberFormat;
    figures.noDataText = session.Values.NoDataText;
    figures.layerIndex = thematic;
    CReadMapFile &reader = session.MapReader;
    const int map = session.State.CurrentMap;
    figures.regions = ReadRegionFigures(*session.Map->Layer(thematic), reader.GetKeyField(map),
                                        reader.GetRegionField(map), reader.GetStatField(),
                                        session.Values.NullValue);
    return figures;
}

// The records of the circles of a circle map, in the order they are drawn.
QList<int> circleRecords(MapSession &session)
{
    QList<int> records;
    CDrawSymbol *drawer = session.Values.SymbolDrawer.get();
    if (!session.State.CircleMap || !drawer || !drawer->recData)
        return records;
    MapRecordset &regions = *drawer->recData;
    for (regions.MoveFirst(); !regions.AtEnd(); regions.MoveNext())
        records << regions.FeatureId();
    regions.MoveFirst();
    return records;
}

BatchPictureOptions pictureOptions(MainForm &form, int statistic, const QString &output)
{
    const ParsedCommandLine &commandLine = form.commandLine();
    BatchPictureOptions options;
    options.inputFiles = runInputs(form);
    options.exportScale = Globals().ExportScale;
    options.width = commandLine.value("width").toInt();
    options.sheet = commandLine.has("sheet");
    if (options.sheet)
        options.sheetTexts = SheetTextsOf(form, statistic);
    // The web page lists the figures; SVG and PDF files carry their description.
    const QString extension = SplitOutputName(output).extension;
    if (extension == QLatin1String("html") || extension == QLatin1String("svg")
        || extension == QLatin1String("pdf")) {
        options.figures = mapFigures(form, statistic);
        options.circleRecords = circleRecords(form.session());
    }
    return options;
}

bool writeShownMap(MainForm &form, const QString &output, const QString &joinPrefix,
                   UnmatchedCache *cache = nullptr)
{
    MapSession &session = form.session();
    const std::optional<JoinSummary> summary = summariseJoin(form, cache);
    // A map on which no statistics row found its region shows nothing but the no-data colour:
    // it is not written, and the join line says why.
    if (summary && summary->nothingMatched()) {
        ReportBatchFailure(joinPrefix + QStringLiteral("no statistics row matches a region, so "
                                                       "nothing was written: ")
                           + summary->line());
        return false;
    }
    const bool written = RunBatchExport(output, *session.Map, *session.Legend,
                                        pictureOptions(form, session.State.CurrentColumn, output));
    if (summary)
        std::fprintf(stderr, "%s%s\n", qUtf8Printable(joinPrefix), qUtf8Printable(summary->line()));
    // The web page draws no labels yet: only pictures report them.
    const bool page = SplitOutputName(output).extension == QLatin1String("html");
    const QString labels = page ? QString() : LabelReport(session.Context);
    if (written && !labels.isEmpty())
        std::fprintf(stderr, "%s%s\n", qUtf8Printable(joinPrefix), qUtf8Printable(labels));
    return written;
}

// --each: every statistic (or the chosen one) on every map.
bool writeEachMap(MainForm &form)
{
    MapSession &session = form.session();
    const QString output = form.state().OutputFile;
    const int maps = session.MapReader.MapList() ? int(session.MapReader.MapList()->size()) : 0;
    const int statistics = int(session.StatFieldList.size());
    const bool oneStatistic = form.commandLine().has("stat");
    // The maps differ in their statistic only: each further one re-joins its column into
    // the layer table and draws, the shapes stay as read.
    session.MapReader.KeepLoadedLayers();
    // A further statistic on the same map replaces the joined column in place: the layer
    // table ends as undoing and redoing the join would leave it, written once instead of twice.
    session.Context.rejoinInPlace = true;
    const auto inPlaceOnlyHere = qScopeGuard([&session] { session.Context.rejoinInPlace = false; });
    // Every name the run would write is checked before the first map is drawn.
    QStringList outputs;
    for (int m = 1; m <= maps; ++m)
        for (int s = 1; s <= statistics; ++s) {
            if (oneStatistic && s != session.SelectedValue)
                continue;
            const QString name = EachOutputName(output, s, m);
            const OutputName split = SplitOutputName(name);
            const ExportFiles files = ExportFileNames(split.base, split.extension);
            outputs << name;
            // A sheet and a web page are one file; other formats have two legends beside.
            if (!form.commandLine().has("sheet") && split.extension != QLatin1String("html"))
                outputs << files.legend << files.legendImage;
        }
    const QString refusal = OutputsRefusal(outputs, runInputs(form));
    if (!refusal.isEmpty()) {
        ReportBatchFailure(refusal);
        return false;
    }
    const std::optional<MapRectangle> optionExtent =
        form.state().OptionFile.isEmpty() ? std::nullopt : ReadExtent(form.state().OptionFile);
    UnmatchedCache unmatched;
    bool all = true;
    for (int m = 1; m <= maps; ++m) {
        for (int s = 1; s <= statistics; ++s) {
            if (oneStatistic && s != session.SelectedValue)
                continue;
            const QString name = EachOutputName(output, s, m);
            int column = s;
            const bool shown = m == session.State.CurrentMap &&
                               s == session.State.CurrentColumn && session.Map->LayerCount() > 0;
            // Each map as a run of its statistic alone: a circle map's classes (and the range
            // its legend names for the largest circle) are those of its own statistic.
            if (!shown) {
                session.Values.CurrentRenderer.reset();
                // Nor does it keep the part of the map the last one showed: a run alone
                // zooms to its own statistic's regions with data (or the option file's
                // extent on its map).
                session.Map->ClearLayers();
            }
            if (!shown && !BuildView(session.Context, session.StatTableName,
                                     session.StatKeyField, m, column,
                                     m == session.SelectedMap ? optionExtent : std::nullopt)) {
                ReportBatchFailure(QStringLiteral("%1 was not written: the map %2 of statistic "
                                                  "%3 could not be built")
                                       .arg(name)
                                       .arg(m)
                                       .arg(s));
                all = false;
                continue;
            }
            if (!writeShownMap(form, name, QFileInfo(name).fileName() + QStringLiteral(": "),
                               &unmatched))
                all = false;
        }
    }
    return all;
}

} // namespace

int StatisticNamed(const QStringList &names, const QString &value)
{
    const QString wanted = value.trimmed();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names.at(i).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return int(i + 1);
    }
    bool number = false;
    const int n = wanted.toInt(&number);
    return number && n >= 1 && n <= names.size() ? n : 0;
}

QString UnknownStatisticText(const QString &value, const QString &file,
                             const QStringList &names)
{
    QString text = QStringLiteral("Unknown statistic \"%1\"; the statistics of %2 are:")
                       .arg(value, QFileInfo(file).fileName());
    for (qsizetype i = 0; i < names.size(); ++i)
        text += QStringLiteral("\r\n  %1  %2").arg(i + 1).arg(names.at(i));
    return text;
}

QString EachOutputName(const QString &outputFile, int statistic, int map)
{
    const OutputName name = SplitOutputName(outputFile);
    QString each = name.base + QStringLiteral("-s%1-m%2").arg(statistic).arg(map);
    if (!name.extension.isEmpty())
        each += u'.' + name.extension;
    return each;
}

bool RunBatchMaps(MainForm &form)
{
    if (form.commandLine().has("each"))
        return writeEachMap(form);
    return writeShownMap(form, form.state().OutputFile, QString());
}
