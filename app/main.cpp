// The chorel executable: it reads the command line and answers --help itself, with nothing
// loaded but the core library; everything else (windows, maps, tables, pictures) lives in the
// program library, loaded only when there is a map to make.
#include "app/driver/commandline.h"

#include <cstdio>
#include <dlfcn.h>

namespace {

QString withoutCarriageReturns(QString text) { return text.remove(u'\r'); }

// The program library is found through the executable's run path: beside it in a build
// tree, in the program's private library folder when installed.
constexpr const char *programLibrary = "libchorelprogram.so";
constexpr const char *programEntry = "ChorelProgramMain";

int runProgramLibrary(int &argc, char **argv)
{
    void *library = dlopen(programLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "Chorel: cannot load its program library: %s\n", dlerror());
        return 1;
    }
    using Entry = int (*)(int *, char **);
    const auto entry = reinterpret_cast<Entry>(dlsym(library, programEntry));
    if (!entry) {
        std::fprintf(stderr, "Chorel: the program library %s has no entry %s\n", programLibrary,
                     programEntry);
        return 1;
    }
    return entry(&argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.help) {
        std::printf("Usage: chorel [switches] | chorel OPTIONFILE.tqo\n%s%s\n%s",
                    qUtf8Printable(withoutCarriageReturns(UsageText())),
                    qUtf8Printable(withoutCarriageReturns(LongSwitchUsageText())),
                    qUtf8Printable(withoutCarriageReturns(OutputFilesText())));
        return 0;
    }
    return runProgramLibrary(argc, argv);
}
