#pragma once

#include <QString>

// One key/value pair of a DataCollection: the key of a row of the source table and the
// value to store in it, both as text.
struct DataItem {
    QString sKeyValue;
    QString sDataValue;
};
