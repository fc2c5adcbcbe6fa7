#include "contracts/legendcontrol.h"

LegendControl::~LegendControl() = default;
