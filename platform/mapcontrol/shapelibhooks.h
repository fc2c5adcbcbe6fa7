#pragma once

#include <shapefil.h>

#include <QString>

// shapelib reports errors through the Error member of its hooks; these hooks collect the
// text instead of printing it, so that the caller can put it into its own message.
// The collected text is per thread, which is enough for shapelib's synchronous calls.
SAHooks collectingShapelibHooks();
// The errors collected since the last call, joined by "; ", and forgets them.
QString takeShapelibErrors();
