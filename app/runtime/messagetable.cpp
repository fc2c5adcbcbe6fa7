#include "app/runtime/messagetable.h"

#include "tableforge/englishmessages.h"

#include <QList>
#include <QPair>

namespace {

const QString CRLF = QStringLiteral("\r\n");

using Text = QPair<QString, QString>;

// Menu and button captions as the window lays them out.
const QList<Text> &captionDefaults()
{
    static const QList<Text> texts = {
        {"File", "&File"},
        {"Open", "&Open"},
        {"SaveAs", "Save &as"},
        {"Saveas", "Save as"},
        {"Export", "Ex&port"},
        {"Print", "&Print..."},
        {"Exit", "E&xit"},
        {"Edit", "&Edit"},
        {"Copy", "Copy"},
        {"CopyMap", "Copy &Map"},
        {"CopyLegend", "Copy &Legend"},
        {"CopyTitle", "Copy &Title"},
        {"CopyLgdImg", "Copy Legend &Image"},
        {"CopyLgdTxt", "Copy Legend Te&xt"},
        {"Theme", "&Thematic map"},
        {"Labels", "&Labels"},
        {"LabelsText", "Region &labels:"},
        {"LabelNone", "None"},
        {"LabelName", "Names"},
        {"LabelValue", "Values"},
        {"LabelBoth", "Names and values"},
        {"Navigate", "&Navigate"},
        {"View", "&View"},
        {"ZoomIn", "Zoom &in"},
        {"ZoomOut", "Zoom &out"},
        {"Pan", "&Pan"},
        {"Info", "&Information"},
        {"FullExtent", "&Full extent"},
        {"PrevExtent", "&Previous extent"},
        {"Help", "&Help"},
        {"Contents", "&Help on Chorel"},
        {"About", "&About Chorel"},
    };
    return texts;
}

const QList<Text> &textsBeforeAbout()
{
    static const QList<Text> texts = {
        {"OpenTitle", "Open"},
        {"SaveasTitle", "Save as"},
        {"ExportTitle", "Export"},
        {"PrintTitle", "Print"},
        {"Close", ""},
        {"CopyStat", ""},
        {"FrameClassesText", "Number of classes"},
        {"FrameTypeText", "Classification type"},
        {"LabelEndText", "End"},
        {"LabelStartText", "Start"},
        {"FrameColorText", "Ramp Color"},
        {"QuantileText", "Quantile"},
        {"CustomText", "Custom"},
        {"EqualText", "Equal Interval"},
        {"NaturalText", "Natural breaks"},
        {"PrettyText", "Rounded limits"},
        {"FrameSchemeText", "Colour scheme"},
        {"SchemeNone", "(two colours)"},
        {"MidpointText", "Midpoint"},
        {"ExportFilter", "Bitmap file (*.bmp)|*.bmp|Windows Meta file (*.wmf)|*.wmf|"
                         "Portable Network Graphics file(*.png)|*.png"},
        {"VectorExportFilter", "Scalable Vector Graphics file (*.svg)|*.svg|"
                               "Portable Document Format file (*.pdf)|*.pdf"},
        {"SaveFilter", "Chorel file (*.tqo)|*.tqo"},
        {"Cancel", "&Cancel"},
        {"OK", "&OK"},
        {"Chart", "&View Data Distribution"},
        {"ClassForm", "Thematic Map"},
        {"DateTxt", "Date"},
        {"SizeTxt", "Size"},
        {"FileNameTxt", "Name"},
        {"DescriptionTxt", "Description"},
        {"NumFiles", "Number of files"},
        {"CircleSizeTxt", "Symbol size"},
        {"CircleColorTxt", "Symbol color"},
        {"CircleSizeInfoTxt", "Normaly the symbols area is 10% of the size of the area of "
                              "regions in the statistic map."},
        {"CircleSizeDescTxt", "Input the new percentage:"},
        {"CircleColorCmdTxt", "Chan&ge Color"},
        {"TabThematic", "Choroplet Map"},
        {"TabSymbol", "Symbol Map"},
        {"MapType", ""},
        {"RadioChoroplet", ""},
        {"RadioSymbol", ""},
        {"FrameMaximumTXT", "Maximum value"},
        {"Count", "Count"},
        {"Maximum", "Maximum"},
        {"Minimum", "Minimum"},
        {"Percent", "Percent"},
    };
    return texts;
}

const QList<Text> &textsAfterAbout()
{
    static const QList<Text> texts = {
        {"CantCreateTQO", "Can't create Chorel option file"},
        {"WrongNumber", "Wrong value for the value attribute in the data file or option file, " +
                            CRLF + " using the first one."},
        {"WrongExtension", "Wrong extension"},
        {"MissingFile", "Missing file"},
        {"InUse", "Map data already in use by another process. Be patient and let the map be "
                  "finnished."},
        {"NonNumeric", "is not numeric. Not abel to calculate data!"},
        {"Unavailable", "is unavailable"},
        {"ChorelFile", "Chorel option file"},
        {"NumApps", "Too many applications are running."},
        {"Connect", "Could not connect to database"},
        {"Join", "Can't join the tables"},
        {"UnJoin", "Can't unjoin the tables"},
        {"CopyFiles", "Shape file <SHAPE> doesn't exist. Check the file names in <INI>."},
        {"MissingData", "Missing numeric data."},
        {"FieldError", "doesn't exist in <SHAPE> (Shape file)."},
        {"CheckINI", "Check the field names in <INI> and <SHAPE> (shape file), which have to be "
                     "identical."},
        {"WrongTQO", "Wrong value in TQO file!"},
        {"ConnectDB", "Can't connect statistics and map."},
        {"CantShowField", "Can't show <FIELD>"},
        {"Greater", "Number can't be greater than or equal to"},
        {"GreaterMin", "Number can't be greater than"},
        {"Less", "Number can't be less than"},
        {"GenErrorMsg", "An error occured! Check the data and the operasjon." + CRLF +
                            "More information in the Log file"},
        {"NoData", "No data"},
        {"NoDataCheckText", "Show 'No data'"},
        {"SymbolMin", "Smallest symbol"},
        {"SymbolMax", "Largest symbol"},
        {"WrongColorValue", "Wrong text for color value in the map parameter file."},
        {"WrongScheme", "Unknown colour scheme in the map parameter file."},
        {"Schemes", "Colour schemes:"},
        {"NumMaps", "Wrong number of map data that will be read."},
        {"ShapeName", "The shape file name \"<SHAPE>\" of map <MAP> in <INI> must end in "
                      "\".shp\" written in lower case."},
        {"Mean", "Mean"},
        {"Median", "Median"},
        {"StdDev", "Standard deviation"},
        {"Sum", "Sum"},
        {"ChartMissingField", "is missing in the statistics table."},
        {"ChartClosing", "The data distribution can't be shown."},
        {"NoDataFile", "No statistics file: name one with /f, or an option file (/m) whose "
                       "[DATA] Source names it."},
        {"OutputDrive", "A drive letter has no meaning on this system; give the output file "
                        "as a path such as out/map.png:"},
        {"OutputFolder", "The folder of the output file does not exist:"},
        {"TableFields", "The table has the fields:"},
        {"HelpNoBrowser", "No web browser could be started. The help page is the file"},
        {"PrintLayout", "Layout"},
        {"PrintMapOnly", "&Map only"},
        {"PrintSheet", "Map with &title, legend and source"},
    };
    return texts;
}

QStringList keysOf(const QList<Text> &texts)
{
    QStringList keys;
    for (const Text &t : texts)
        keys << t.first;
    return keys;
}

} // namespace

void MessageTable::clear()
{
    m_texts.clear();
    m_fromFile.clear();
    m_languageFile.clear();
}

QStringList MessageTable::keys() const
{
    QStringList list = m_texts.keys();
    list.sort();
    return list;
}

MessageTable &Messages()
{
    static MessageTable table;
    return table;
}

QString MessageText(const QString &key) { return Messages().text(key); }

const QStringList &CaptionKeys()
{
    static const QStringList keys = keysOf(captionDefaults());
    return keys;
}

const QStringList &TextKeysBeforeAbout()
{
    static const QStringList keys = keysOf(textsBeforeAbout());
    return keys;
}

const QStringList &TextKeysAfterAbout()
{
    static const QStringList keys = keysOf(textsAfterAbout());
    return keys;
}

const QList<BuilderMessage> &BuilderMessages()
{
    // Language-file keys of the table builder's tags; the English texts are the builder's own.
    static const QList<BuilderMessage> messages = [] {
        const QStringList keys = {"Missing",    "Valid",      "Codes",   "Values",
                                  "Progress",   "Fileformat", "Variable"};
        QList<BuilderMessage> list;
        const auto &english = EnglishBuilderMessages();
        for (qsizetype i = 0; i < english.size(); ++i)
            list.append({keys.value(i), english[i].first, english[i].second});
        return list;
    }();
    return messages;
}

void SetDefaultTexts(const ErrorMsgRegistrar &tableBuilder)
{
    MessageTable &table = Messages();
    table.clear();
    for (const QList<Text> *texts : {&captionDefaults(), &textsBeforeAbout(), &textsAfterAbout()})
        for (const Text &t : *texts)
            table.setText(t.first, t.second);
    table.setText(QStringLiteral("AboutDescription"),
                  QStringLiteral("Chorel draws thematic maps of official statistics:") + CRLF +
                      QStringLiteral("choropleth maps and maps of proportional circles.") + CRLF);
    table.setText(QStringLiteral("OpenFilter"), QStringLiteral("tq,sdv,txt,csv,tsv,json,jsonstat,tqo"));
    for (const BuilderMessage &m : BuilderMessages()) {
        table.setText(m.key, m.english);
        if (tableBuilder)
            tableBuilder(m.english, m.tag);
    }
}
