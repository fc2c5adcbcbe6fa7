#include "app/driver/pipeline.h"

#include "app/driver/batchmaps.h"
#include "app/runtime/chorelglobals.h"
#include "app/driver/classswitches.h"
#include "app/runtime/logfile.h"
#include "app/driver/mainform.h"
#include "app/runtime/searchorder.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/files/optionfile.h"
#include "app/runtime/phasetimer.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/mapsession.h"
#include "kitbag/kbutil.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tableforge/dbfcreator.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QProgressBar>

#include <cmath>
#include <exception>
#include <system_error>
#include <thread>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// A step of the pipeline failed. Interactively the user sees text in a message box; in a
// batch run it becomes the one log entry of the run and the program ends with exit code 1.
void fail(MainForm &form, const QString &caption, int buttons, const QString &text) {
    RestoreNormalPointer(form.session().Map);
    if (form.state().BatchMode) {
        ReportBatchFailure(text);
        form.EndProgram(1);
    } else {
        ShowMessage(caption, buttons, text);
    }
}

// A step failed after telling the user itself (a library message or the view builder).
void stop(MainForm &form) {
    RestoreNormalPointer(form.session().Map);
    if (form.state().BatchMode)
        form.EndProgram(1);
}

QString missingFile(const QString &name) {
    return MessageText(QStringLiteral("MissingFile")) + u' ' + name;
}

// The drawing defaults of the start-up and the switches become the view's settings once; from
// then on the view keeps what the user changes.
void takeStartDefaults(const MainState &state, MapSession &session) {
    if (session.StartDefaultsTaken)
        return;
    ViewState &view = session.State;
    view.CircleMap = state.CircleMap;
    view.SymbolColor = MapColor(state.SymbolColor);
    view.StartColor = MapColor(state.StartColor);
    view.EndColor = MapColor(state.EndColor);
    view.NumClasses = state.AskedNumClasses.value_or(state.NumClasses);
    view.ClassType = state.AskedClassType.value_or(state.ClassType);
    view.AskedNumClasses = state.AskedNumClasses;
    view.AskedClassType = state.AskedClassType;
    view.Scheme = state.Scheme;
    view.Midpoint = state.Midpoint;
    view.Labels = state.AskedLabels;
    view.LabelsAsked = state.AskedLabels.has_value();
    view.OutlineAuto = state.AskedOutlineAuto;
    session.Values.NoDataColor = MapColor(state.NoDataColor);
    session.Values.ShowNoData = state.ShowNoData;
    session.Values.RampFlag = state.RampColors;
    session.StartDefaultsTaken = true;
}

// The [DEFAULT] colours of the map definition, read for the first file of a run only.
void readDefaults(MapSession &session) {
    if (session.DefaultsRead)
        return;
    CReadMapFile &reader = session.MapReader;
    ViewState &view = session.State;
    ViewValues &values = session.Values;
    view.SymbolColor = MapColor(reader.GetDefault(QStringLiteral("SymbCol"), view.SymbolColor));
    view.StartColor = MapColor(reader.GetDefault(QStringLiteral("StartCol"), view.StartColor));
    view.EndColor = MapColor(reader.GetDefault(QStringLiteral("EndCol"), view.EndColor));
    values.NoDataColor = MapColor(reader.GetDefault(QStringLiteral("NullCol"), values.NoDataColor));
    constexpr std::int32_t absent = -1;
    const std::int32_t show = reader.GetDefault(QStringLiteral("ShowNoData"), absent);
    if (show != absent)
        values.ShowNoData = show == 1;
    // A scheme chosen on the command line goes before the map definition's; so do a method
    // and a number of classes.
    if (view.Scheme.isEmpty())
        view.Scheme = reader.GetDefaultScheme();
    ApplyDefaultClassification(reader, view);
    session.DefaultsRead = true;
}

// Takes over the statistics table that the table builder wrote.
void takeOverTable(MainForm &form, DBFCreator &builder) {
    MapSession &session = form.session();
    session.Values.NullValue = builder.NullValue();
    session.StatTableName = builder.TableName();
    session.StatFieldList = builder.StatFields();
    session.State.StatFieldNames = builder.StatTblFld();
    session.State.StatDecimals = builder.StatNumDec();
    session.Values.Decimals = builder.NumDecimals();
    session.Values.NumberFormat = MakeNumberFormat(builder.NumDecimals());
    session.StatKeyField = builder.KeyFld();
    session.Values.StatTable = builder.TableName();
    session.Values.StatKey = builder.KeyFld();
    QListWidget *list = session.Context.lstStatdata;
    session.State.UpdatingLists = true;
    list->clear();
    list->addItems(session.StatFieldList);
    session.State.UpdatingLists = false;
    session.MapReader.OptionFile = form.state().OptionFile;
}

int wholeNumber(const QString &optionFile, const QString &key) {
    return OptionWholeNumber(
        std::floor(OptionNumber(CKbUtil().ReadIniFile(optionFile, QStringLiteral("DATA"), key))));
}

// Copies the shapefile sets of the map definition into the working folder.
bool prepareLayers(MainForm &form, const QString &iniFile) {
    MainState &state = form.state();
    MapSession &session = form.session();
    CReadMapFile &reader = session.MapReader;
    reader.Map = session.Map;
    reader.colColorMap = &state.colColorMap;
    reader.Progressbar = form.progressBar();
    reader.IniFile = iniFile;
    // The map's projection: the switch, else the option file's (the map it reproduces), else
    // the map definition's.
    reader.OptionFile = state.OptionFile;
    reader.ProjectionOverride = form.commandLine().value("projection");
    if (reader.ProjectionOverride.isEmpty() && !state.OptionFile.isEmpty())
        reader.ProjectionOverride =
            CKbUtil().ReadIniFile(state.OptionFile, QStringLiteral("DATA"),
                                  QStringLiteral("Projection")).trimmed();
    const bool prepared = reader.CopyFiles(state.WorkFolder, true);
    if (prepared && reader.MapList() && reader.MapList()->isEmpty()) {
        fail(form, QStringLiteral("Chorel"), 16,
             QStringLiteral("The map definition %1 names no map: its [MAPS] section needs "
                            "NumMaps and the shapefile of each map (1=NAME.shp)")
                 .arg(iniFile));
        return false;
    }
    if (prepared)
        return true;
    // A layer table that could not be rebuilt, or a shapefile name the reader refused: the
    // reader has told the user; going on would only report the same fault again.
    if (reader.MapList() || reader.MissingFile.isEmpty()) {
        stop(form); // the map-definition reader has told the user why
        return false;
    }
    QString text = MessageText(QStringLiteral("CopyFiles"));
    text.replace(QStringLiteral("<SHAPE>"), reader.MissingFile);
    text.replace(QStringLiteral("<INI>"), reader.IniFile);
    fail(form, QStringLiteral("Chorel"), 16,
         MessageText(QStringLiteral("ConnectDB")) + CRLF + text);
    return false;
}

// The statistics table built (or not: the builder says why).
bool tableMade(MainForm &form, DBFCreator &builder, bool created) {
    if (!created) {
        fail(form, QStringLiteral("Chorel (Tq2dbf - CreateTable)"), 16, builder.ErrorMsg());
        return false;
    }
    takeOverTable(form, builder);
    return true;
}

bool createTable(MainForm &form, DBFCreator &builder) {
    MainState &state = form.state();
    MapSession &session = form.session();
    QProgressBar *bar = form.progressBar();
    session.AttachProgress(bar, state.BatchMode ? &form : nullptr);
    if (bar)
        bar->setVisible(true);
    const bool created = builder.CreateTable(state.DataFile, session.MapReader.GetPathDir());
    if (bar)
        bar->setVisible(false);
    return tableMade(form, builder, created);
}

// A batch run builds the statistics table on a thread of its own while the map's layers are
// copied (converted from other formats, their projection started) into the same working
// folder: the builder reads only the statistics file and writes only its own table there, and
// its progress reaches the hidden window by queued signals. The user is told what went wrong
// as when one step follows the other: a fault of the layers, else one of the table.
bool prepareLayersBesideTable(MainForm &form, DBFCreator &builder, const QString &iniFile) {
    MainState &state = form.state();
    form.session().AttachProgress(form.progressBar(), &form);
    const QString dataFile = state.DataFile;
    const QString folder = state.WorkFolder;
    bool created = false;
    std::exception_ptr thrown;
    std::jthread tableThread;
    if (!folder.isEmpty() && QDir().mkpath(folder)) {
        try {
            tableThread = std::jthread([&builder, &created, &thrown, dataFile, folder] {
                try {
                    created = builder.CreateTable(dataFile, folder);
                } catch (...) {
                    thrown = std::current_exception();
                }
            });
        } catch (const std::system_error &) {
            // no thread to be had: one step after the other
        }
    }
    if (!tableThread.joinable())
        return prepareLayers(form, iniFile) && createTable(form, builder);
    const bool prepared = prepareLayers(form, iniFile);
    tableThread.join();
    if (!prepared)
        return false;
    if (thrown)
        std::rethrow_exception(thrown);
    return tableMade(form, builder, created);
}

// The map definition of the statistics file: the one --map names, else the one chosen for
// the file earlier in the session, else the one the file names; a file that names none (CSV,
// JSON-stat) makes the window ask for one. False after telling the user why there is none.
bool findMapDefinition(MainForm &form, DBFCreator &builder, QString &iniFile) {
    MainState &state = form.state();
    MapSession &session = form.session();
    const QStringList folders = MapDefinitionFolders(state.DataFile);
    const QString dataKey = QFileInfo(state.DataFile).absoluteFilePath();
    QString named = form.commandLine().value("map");
    const bool remembered = named.isEmpty() && state.ChosenMapDefinitions.contains(dataKey);
    if (remembered)
        named = state.ChosenMapDefinitions.value(dataKey);
    if (!named.isEmpty()) {
        // a choice remembered is named by its file name, as when it was made (Geo= of an
        // option file saved then)
        session.MapIniName = remembered ? QFileInfo(named).fileName() : named;
        iniFile = MapDefinitionNamed(folders, named);
    } else {
        session.MapIniName = builder.GetIniFile(state.DataFile);
        if (session.MapIniName.isEmpty() && !state.BatchMode
            && DBFCreator::IsValueFile(state.DataFile)) {
            RestoreNormalPointer(session.Map);
            iniFile = form.parts().chooseMapDefinition(&form, state.DataFile,
                                                        MapDefinitionsIn(folders));
            ShowWaitPointer(session.Map);
            if (iniFile.isEmpty()) {
                fail(form, QStringLiteral("Chorel (tmStart)"), 64, builder.ErrorMsg());
                return false;
            }
            state.ChosenMapDefinitions.insert(dataKey, iniFile);
            session.MapIniName = QFileInfo(iniFile).fileName();
        } else if (session.MapIniName.isEmpty()) {
            fail(form, QStringLiteral("Chorel (Tq2dbf GetIniFile)"), 16, builder.ErrorMsg());
            return false;
        } else {
            iniFile = FindInFolders(folders, session.MapIniName);
        }
    }
    if (!state.BatchMode)
        form.setWindowTitle(QStringLiteral("Chorel (") + builder.GetTitle(state.DataFile) + u')');
    if (state.Util.FileExists(iniFile))
        return true;
    const bool path = named.contains(u'/') || named.contains(u'\\');
    fail(form, QStringLiteral("Chorel (tmStart)"), 16,
         path ? missingFile(iniFile)
              : MissingMapDefinitionText(MessageText(QStringLiteral("MissingFile")),
                                         session.MapIniName, folders));
    return false;
}

// Steps up to the statistics table: the map definition, the layer tables and the table.
bool prepareTables(MainForm &form) {
    MainState &state = form.state();
    MapSession &session = form.session();
    if (state.DataFile.isEmpty()) {
        // an interactive start without a file shows the empty window
        if (state.BatchMode)
            fail(form, QString(), 0, MessageText(QStringLiteral("NoDataFile")));
        return false;
    }
    if (!state.Util.FileExists(state.DataFile)) {
        fail(form, QStringLiteral("Chorel"), 64, missingFile(state.DataFile));
        return false;
    }
    const QString decimal =
        Globals().DecimalChar ? QString(QChar(Globals().DecimalChar)) : QStringLiteral(".");
    DBFCreator &builder = session.TableBuilder(decimal, state.TableBuilderMessages);
    builder.setKeyColumn(form.commandLine().value("key"));
    QString iniFile;
    if (!findMapDefinition(form, builder, iniFile))
        return false;
    if (state.BatchMode)
        return prepareLayersBesideTable(form, builder, iniFile);
    return prepareLayers(form, iniFile) && createTable(form, builder);
}

// Connects the table join to the working folder.
bool connectJoin(MainForm &form) {
    MapSession &session = form.session();
    AddRelate &joiner = session.Joiner;
    joiner.setDBPath(form.state().WorkFolder);
    joiner.SetNullValue(session.Values.NullValue);
    if (joiner.Connect())
        return true;
    const QString text = MessageText(QStringLiteral("Connect")) + u' ' + joiner.DBPath() + u'.';
    if (form.state().BatchMode)
        fail(form, QString(), 16, QStringLiteral("AddRelate - Connect") + CRLF + text);
    else
        fail(form, QStringLiteral("Chorel (AddRelate - Connect)"), 16, text);
    return false;
}

// --stat: the statistic it names, or 0 without the switch. An unknown one ends the program
// with exit code 2 after the list of the statistics there are (-1).
int chosenStatistic(MainForm &form) {
    const ParsedCommandLine &commandLine = form.commandLine();
    if (!commandLine.has("stat"))
        return 0;
    const QStringList &names = form.session().StatFieldList;
    const int statistic = StatisticNamed(names, commandLine.value("stat"));
    if (statistic > 0)
        return statistic;
    RestoreNormalPointer(form.session().Map);
    ShowMessage(QStringLiteral("Chorel"), 64,
                UnknownStatisticText(commandLine.value("stat"), form.state().DataFile, names));
    form.state().QuitRequested = true;
    form.EndProgram(2);
    return -1;
}

// The map and the value to show: from the option file, or the first ones after asking for
// the map type; --stat chooses the value instead. Then the view.
bool showFirstView(MainForm &form, int statistic) {
    MainState &state = form.state();
    MapSession &session = form.session();
    std::optional<MapRectangle> extent;
    if (!state.OptionFile.isEmpty()) {
        session.SelectedValue = wholeNumber(state.OptionFile, QStringLiteral("Value"));
        session.SelectedMap = wholeNumber(state.OptionFile, QStringLiteral("Map"));
        extent = ReadExtent(state.OptionFile);
    } else {
        session.SelectedMap = 1;
        session.SelectedValue = 1;
        RestoreNormalPointer(session.Map);
        session.State.UpdatingLists = true;
        session.Context.lstStatdata->setCurrentRow(0);
        session.State.UpdatingLists = false;
        form.repaint();
        if (!state.MapTypeFixed)
            form.parts().chooseMapType(&form, session.State.CircleMap,
                                       MessageText(QStringLiteral("MapType")),
                                       MessageText(QStringLiteral("RadioChoroplet")),
                                       MessageText(QStringLiteral("RadioSymbol")));
        ShowWaitPointer(session.Map);
    }
    if (statistic > 0)
        session.SelectedValue = statistic;
    return BuildView(session.Context, session.StatTableName, session.StatKeyField,
                     session.SelectedMap, session.SelectedValue, extent);
}

} // namespace

void RunPipeline(MainForm &form) {
    MainState &state = form.state();
    MapSession &session = form.session();
    PhaseTimer::Mark("start-up");
    SetBatchMessages(state.BatchMode);
    ShowWaitPointer(session.Map);
    form.setWindowTitle(QStringLiteral("Chorel"));
    session.ViewsInitialised = true;
    takeStartDefaults(state, session);
    session.Values.NoDataText = MessageText(QStringLiteral("NoData"));
    session.Values.SmallestSymbolText = MessageText(QStringLiteral("SymbolMin"));
    session.Values.LargestSymbolText = MessageText(QStringLiteral("SymbolMax"));
    session.Context.colours = &state.colColorMap;

    if (!prepareTables(form))
        return;
    PhaseTimer::Mark("reading");
    readDefaults(session);
    session.FillMapList();
    if (!state.BatchMode) {
        form.EnableMapCommands(true);
        // The table builder keeps the single-valued variables of the last cube file it read;
        // a semicolon file has none of its own, so the panel stays empty for it.
        const QString suffix = QFileInfo(state.DataFile).suffix().toLower();
        const bool cube = suffix == QLatin1String("tq") || suffix == QLatin1String("tqx");
        form.setPanelText(QStringLiteral("Data"),
                          cube ? session.TableBuilder(QString(), {}).GetStatInfo() : QString());
    }
    if (!connectJoin(form))
        return;
    PhaseTimer::Mark("connect");
    const int statistic = chosenStatistic(form);
    if (statistic < 0)
        return;
    // An option file's extent that cannot be drawn ends the run before any map is built.
    if (!state.OptionFile.isEmpty()) {
        QString problem;
        ReadExtent(state.OptionFile, &problem);
        if (!problem.isEmpty()) {
            fail(form, QStringLiteral("Chorel (ReadExtent)"), 16, problem);
            return;
        }
    }
    if (!showFirstView(form, statistic)) {
        // With --each the other maps are still written.
        if (state.BatchMode && form.commandLine().has("each")) {
            RunBatchMaps(form);
            form.EndProgram(1);
            return;
        }
        stop(form);
        return;
    }
    RestoreNormalPointer(session.Map);
    if (!state.BatchMode)
        return;
    form.EndProgram(RunBatchMaps(form) ? 0 : 1);
}

void mnuOpen(MainForm &form) {
    MainState &state = form.state();
    MapSession &session = form.session();
    // A cancelled choice, or an option file that names no statistics file, leaves the map
    // shown and its files as they were (Save as and Copy Title still name them).
    const QString chosen = form.parts().chooseStatisticsFile(&form);
    if (chosen.isEmpty())
        return;
    QString dataFile = chosen;
    QString optionFile;
    if (chosen.endsWith(QStringLiteral(".tqo"), Qt::CaseInsensitive)) {
        optionFile = chosen;
        QString source =
            CKbUtil().ReadIniFile(optionFile, QStringLiteral("DATA"), QStringLiteral("Source"));
        if (source.isEmpty()) {
            ShowMessage(QStringLiteral("Chorel (mnuOpen)"), 64,
                        MessageText(QStringLiteral("WrongTQO")));
            return;
        }
        dataFile = StatisticsFileOfOption(optionFile, source);
    }
    state.DataFile = dataFile;
    state.OptionFile = optionFile;
    session.Values.SymbolDrawer.reset();
    // Renderers belong to the old file's values; the new file's classes are computed anew.
    session.Values.CurrentRenderer.reset();
    session.Values.RendererColumn = 0;
    session.Values.HandSetRenderers.clear();
    session.State.SavedRenderer.reset();
    session.Map->ClearLayers();
    if (session.Joiner.Joined() && !session.Joiner.UnJoin()) {
        ShowMessage(QStringLiteral("Chorel (mnuOpen)"), 16, session.Joiner.ErrorMsg());
        return;
    }
    form.setPanelText(QStringLiteral("Data"), QString());
    form.setPanelText(QStringLiteral("Info"), QString());
    session.ClearView();
    form.EnableMapCommands(false);
    form.tmStart().start();
}
