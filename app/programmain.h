#pragma once

struct ParsedCommandLine;

// The program after its command line is read: batch heap, platform, application object, main
// window and its run. `argc` is taken by reference, as the application object wants it.
int ProgramMain(int &argc, char **argv, const ParsedCommandLine &commandLine);
