#include "platform/mapcontrol/regionsink.h"

RegionSink::~RegionSink() = default;
