// The entry of the program library, which the chorel executable loads once it knows that a
// map is to be made (anything but --help).
#include "app/driver/commandline.h"
#include "app/programmain.h"

extern "C" __attribute__((visibility("default"))) int ChorelProgramMain(int *argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < *argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return ProgramMain(*argc, argv, ParseCommandLine(arguments));
}
