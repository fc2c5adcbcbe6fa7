#pragma once

// Classification types of a choropleth map; an entry's position in the control's type box is
// its value. A new type takes the next value and a branch in ComputeTypeBreaks
// (bandwise/breakcompute.cpp), which maps every type to its computation. Natural breaks and
// rounded limits come after the three types of the type box, whose positions stay as they are.
enum kbClasstypes : int { kbEqual = 0, kbQuantile = 1, kbCustom = 2, kbNatural = 3, kbPretty = 4 };
