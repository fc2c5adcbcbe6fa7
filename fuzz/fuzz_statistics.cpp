// The statistics-file readers: the bytes are a TQ cube file (FUZZ_EXTENSION "tq"), a
// semicolon file ("sdv"), a CSV file ("csv") or a JSON-stat file ("json"). The table builder reads the header queries and builds the table
// "STAT" in the fuzzing folder, as a batch run does.

#include "fuzzinput.h"

#include "tableforge/dbfcreator.h"
#include "tableforge/englishmessages.h"
#include "tableforge/tableprogress.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("input." FUZZ_EXTENSION), data, size);
    DBFCreator creator;
    for (const auto &[tag, text] : EnglishBuilderMessages())
        creator.AddErrorMsg(text, tag);
    TableProgress progress;
    creator.setProgressBar(&progress);
    creator.setDecSeperator(QStringLiteral("."));
    creator.GetIniFile(path);
    creator.GetTitle(path);
    if (creator.CreateTable(path, fuzzinput::folder()))
        creator.GetStatInfo();
    return 0;
}
