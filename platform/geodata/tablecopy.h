#pragma once

#include <ogr_core.h>

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class OGRFeature;
class OGRFeatureDefn;
class OGRLayer;

namespace geodata {

// The table of a layer's shape-file copy: whole-number fields and real fields become numeric
// fields as wide as their values need, text fields text fields as wide as their longest value
// (at most 254 bytes). The widths come from the values: either from a pass over the layer of
// their own (measure), or from the values kept as the features pass by (keep), for a table
// written after that pass; keeping holds the values in memory, so it is for layers of a
// reasonable size.
class TableCopy {
public:
    explicit TableCopy(const OGRFeatureDefn &definition);

    // A pass over the layer's table (geometries not read) for the widths.
    void measure(OGRLayer &layer);
    // Measures and keeps one feature's values.
    void keep(const OGRFeature &feature);
    // Keeps one feature's values without measuring them (its widths were measured), and lets
    // go of all values kept: for writing a record at a time.
    void hold(const OGRFeature &feature);
    void release();
    int keptCount() const { return m_kept; }

    // The fields of the copy, under the given names; false, with the field's index in *failed,
    // when GDAL refuses one.
    bool createFields(OGRLayer &copy, const std::vector<QByteArray> &names, int *failed);
    // A record of the copy from the values kept of feature `kept`.
    void fill(OGRFeature &record, int kept) const;

private:
    struct Plan {
        OGRFieldType type = OFTString;
        int width = 1;
        int decimals = 0;
        int intDigits = 1;
        bool negative = false;
    };
    // The values kept of one field, one per feature.
    struct Column {
        std::vector<bool> set;
        std::vector<std::int64_t> whole;
        std::vector<double> real;
        std::string text;                 // the texts one after another
        std::vector<std::size_t> textEnds; // where each feature's text ends
    };

    void measureValue(int field, const OGRFeature &feature);
    void finishPlans();

    std::vector<Plan> m_plans;
    std::vector<Column> m_columns;
    int m_kept = 0;
};

} // namespace geodata
