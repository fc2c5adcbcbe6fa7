#pragma once

// Statistics of a numeric field over a record selection. NULL cells are not counted.
// With Count 0, Max, Min, Sum and Mean are 0.
struct MapStatistics {
    double Max = 0.0;
    double Min = 0.0;
    double Sum = 0.0;
    double Mean = 0.0;
    long long Count = 0;
};
