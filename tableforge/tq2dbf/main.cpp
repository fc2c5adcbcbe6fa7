// tq2dbf FILE [FOLDER]: builds the statistics table "STAT" of a TQ cube file or semicolon file
// in FOLDER (default: the current folder) and prints what the program reads back from it.

#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "tableforge/dbfcreator.h"
#include "tableforge/englishmessages.h"
#include "tableforge/tableprogress.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTextStream>

namespace {

// The built-in English texts of the builder's message tags.
void registerMessages(DBFCreator &creator)
{
    for (const auto &[tag, text] : EnglishBuilderMessages())
        creator.AddErrorMsg(text, tag);
}

QString forTerminal(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

qint64 countRecords(const QString &folder, const QString &table)
{
    auto connection = createDbaseConnection();
    connection->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
                                    + folder + QStringLiteral(";Extended Properties=dBASE 5.0;"));
    connection->setMode(provider::ModeRead);
    connection->open();
    auto records = createDbaseRecordset();
    records->open(table, connection.get(), provider::CmdTable);
    const qint64 count = records->recordCount();
    records->close();
    connection->close();
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3 || args[1] == QLatin1String("--help")) {
        err << "Usage: tq2dbf FILE [FOLDER]\n"
               "Builds the statistics table STAT of a TQ cube file (.tq, .tqx) or a semicolon\n"
               "file in FOLDER (default: the current folder) and prints what it holds.\n";
        return args.size() == 2 && args[1] == QLatin1String("--help") ? 0 : 1;
    }
    const QString file = args[1];
    const QString folder = QDir(args.size() == 3 ? args[2] : QDir::currentPath()).absolutePath();

    DBFCreator creator;
    registerMessages(creator);
    TableProgress progress;
    creator.setProgressBar(&progress);
    creator.setDecSeperator(QLocale().decimalPoint());

    const QString iniFile = creator.GetIniFile(file);
    const QString title = creator.GetTitle(file);
    if (!creator.CreateTable(file, folder)) {
        err << forTerminal(creator.ErrorMsg()) << "\n";
        return 1;
    }
    out << "Map definition: " << iniFile << "\n";
    out << "Title: " << forTerminal(title) << "\n";
    out << "Statistics info: " << creator.GetStatInfo() << "\n";
    out << "Table: " << QDir(folder).filePath(creator.TableName() + QStringLiteral(".dbf")) << "\n";
    out << "Key field: " << creator.KeyFld() << "\n";
    out << "Fields:\n";
    for (qsizetype k = 0; k < creator.StatTblFld().size(); ++k) {
        out << "  " << creator.StatTblFld()[k] << "  " << creator.StatFields().value(k) << "  ("
            << creator.StatNumDec().value(k) << " decimals)\n";
    }
    out << "Decimals: " << creator.NumDecimals() << "\n";
    out << "Null value: " << creator.NullValue() << "\n";
    try {
        out << "Records: " << countRecords(folder, creator.TableName()) << "\n";
    } catch (const RunTimeError &e) {
        err << forTerminal(e.description()) << "\n";
        return 1;
    }
    return 0;
}
