// The settings-file reader that map definitions, option files and language files share, and
// the option-file and language-file readers on top of it: the bytes are read as a map
// definition's sections, as an option file (extent and classes) and as a language file.

#include "fuzzinput.h"

#include "app/runtime/showmessage.h"
#include "app/files/languagefile.h"
#include "app/files/optionfile.h"
#include "app/mapdefs/colournames.h"
#include "app/files/viewstate.h"
#include "kitbag/kbutil.h"

namespace {

const ColorTable &colours()
{
    static const ColorTable table = [] {
        ColorTable t;
        BuildColor(t);
        return t;
    }();
    return table;
}

void readAsMapDefinition(const QString &path)
{
    const CKbUtil util;
    util.GetProfileSection(QStringLiteral("MAPS"), path);
    util.ReadIniFile(path, QStringLiteral("MAPS"), QStringLiteral("NumMaps"));
    util.ReadIniFile(path, QStringLiteral("FIELDS1"), QStringLiteral("KeyField"));
    util.GetProfile(QStringLiteral("DEFAULT"), QStringLiteral("StartCol"), QStringLiteral("0"), path);
}

void readAsOptionFile(const QString &path)
{
    ReadExtent(path);
    ViewState state;
    ViewValues values;
    ReadClasses(path, state, values, colours());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Messages are recorded nowhere: no display, no log.
    SetMessageBoxFunction([](const QString &, int, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("input.ini"), data, size);
    readAsMapDefinition(path);
    readAsOptionFile(path);
    ReadLanguage(path, [](const QString &, const QString &) {});
    return 0;
}
