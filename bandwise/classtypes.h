#pragma once

// Classification types of a choropleth map; an entry's position in the control's type box is
// its value. A new type takes the next value and a branch in ComputeTypeBreaks
// (bandwise/breakcompute.cpp), which maps every type to its computation.
enum kbClasstypes : int { kbEqual = 0, kbQuantile = 1, kbCustom = 2 };
