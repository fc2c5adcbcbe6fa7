#pragma once

#include <shapefil.h>

// shapelib file hooks that read a whole file into memory on open and write it back in one
// piece on close. shapelib seeks before every record it reads or writes; on plain files that
// costs two system calls per record, which dominates tables of 100,000 records. Errors are
// recorded through the hooks' Error function like shapelib's own.
SAHooks memoryHooks(void (*errorHandler)(const char *message));
