#include "contracts/mapcontrol.h"
#include "contracts/maplayer.h"
#include "contracts/maprecordset.h"

// Out-of-line destructors anchor the interfaces' virtual tables in the contracts library.
MapRecordset::~MapRecordset() = default;
MapLayer::~MapLayer() = default;
MapControl::~MapControl() = default;
