#include "app/mapdefs/mapdefsreport.h"

#include "app/runtime/logfile.h"
#include "app/runtime/showmessage.h"
#include "contracts/runtimeerror.h"

#include <QLocale>

#include <cstdio>

// ShowMessage follows the batch convention: in batch mode the message goes to the log (and
// stderr) instead of a message box.
void mapdefsMessage(const QString &caption, int buttons, const QString &text)
{
    ShowMessage(caption, buttons, text);
}

void mapdefsError(const QString &caption, const RunTimeError &error)
{
    ShowMessage(caption, 16, error);
}

void mapdefsNotice(const QString &text)
{
    WriteBatchLog(text);
    if (BatchMessages())
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

bool parseNumber(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale().toDouble(trimmed, &ok);
    return ok;
}
