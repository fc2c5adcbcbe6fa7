#include "platform/geodata/tablecopy.h"

#include <ogrsf_frmts.h>

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace geodata {

namespace {

constexpr int kDbfTextBytes = 254;

int digits(double magnitude)
{
    return magnitude < 1.0 ? 1 : int(std::floor(std::log10(magnitude))) + 1;
}

} // namespace

TableCopy::TableCopy(const OGRFeatureDefn &definition)
{
    const int count = definition.GetFieldCount();
    m_plans.resize(static_cast<std::size_t>(count));
    m_columns.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const OGRFieldType type = definition.GetFieldDefn(i)->GetType();
        m_plans[i].type = type == OFTInteger || type == OFTInteger64 ? OFTInteger64
                          : type == OFTReal                         ? OFTReal
                                                                    : OFTString;
    }
}

void TableCopy::measureValue(int field, const OGRFeature &feature)
{
    if (!feature.IsFieldSetAndNotNull(field))
        return;
    Plan &plan = m_plans[field];
    if (plan.type == OFTString) {
        plan.width = std::max(plan.width, int(std::strlen(feature.GetFieldAsString(field))));
        return;
    }
    const double v = plan.type == OFTReal ? feature.GetFieldAsDouble(field)
                                          : double(feature.GetFieldAsInteger64(field));
    if (!std::isfinite(v))
        return;
    plan.negative = plan.negative || v < 0;
    plan.intDigits = std::max(plan.intDigits, digits(std::abs(v)));
}

void TableCopy::measure(OGRLayer &layer)
{
    const char *ignored[] = {"OGR_GEOMETRY", nullptr};
    layer.SetIgnoredFields(ignored);
    layer.ResetReading();
    for (OGRFeatureUniquePtr f(layer.GetNextFeature()); f; f.reset(layer.GetNextFeature()))
        for (int i = 0; i < int(m_plans.size()); ++i)
            measureValue(i, *f);
    layer.SetIgnoredFields(nullptr);
    layer.ResetReading();
}

void TableCopy::keep(const OGRFeature &feature)
{
    for (int i = 0; i < int(m_plans.size()); ++i)
        measureValue(i, feature);
    hold(feature);
}

void TableCopy::release()
{
    for (Column &column : m_columns) { // emptied, their memory kept for the next values
        column.set.clear();
        column.whole.clear();
        column.real.clear();
        column.text.clear();
        column.textEnds.clear();
    }
    m_kept = 0;
}

void TableCopy::hold(const OGRFeature &feature)
{
    for (int i = 0; i < int(m_plans.size()); ++i) {
        Column &column = m_columns[i];
        const bool set = feature.IsFieldSetAndNotNull(i);
        switch (m_plans[i].type) {
        case OFTInteger64:
            column.set.push_back(set);
            column.whole.push_back(set ? feature.GetFieldAsInteger64(i) : 0);
            break;
        case OFTReal: {
            const double v = set ? feature.GetFieldAsDouble(i) : 0.0;
            column.set.push_back(set && std::isfinite(v));
            column.real.push_back(v);
            break;
        }
        default:
            column.set.push_back(set);
            if (set)
                column.text += feature.GetFieldAsString(i);
            column.textEnds.push_back(column.text.size());
            break;
        }
    }
    ++m_kept;
}

void TableCopy::finishPlans()
{
    for (Plan &plan : m_plans) {
        if (plan.type == OFTString) {
            plan.width = std::min(plan.width, kDbfTextBytes);
        } else if (plan.type == OFTInteger64) {
            plan.width = plan.intDigits + (plan.negative ? 1 : 0);
        } else {
            // Fifteen significant digits, as many as a double holds, and at least the whole part.
            plan.decimals = std::clamp(15 - plan.intDigits, 0, 15);
            plan.width = plan.intDigits + (plan.negative ? 1 : 0) + 1 + plan.decimals;
        }
    }
}

bool TableCopy::createFields(OGRLayer &copy, const std::vector<QByteArray> &names, int *failed)
{
    finishPlans();
    for (int i = 0; i < int(m_plans.size()); ++i) {
        OGRFieldDefn field(names[i].constData(), m_plans[i].type);
        field.SetWidth(m_plans[i].width);
        field.SetPrecision(m_plans[i].decimals);
        if (copy.CreateField(&field, FALSE) != OGRERR_NONE) {
            *failed = i;
            return false;
        }
    }
    return true;
}

void TableCopy::fill(OGRFeature &record, int kept) const
{
    record.SetFID(OGRNullFID);
    std::string text;
    for (int i = 0; i < int(m_plans.size()); ++i) {
        const Column &column = m_columns[i];
        if (!column.set[kept]) {
            record.UnsetField(i);
        } else if (m_plans[i].type == OFTInteger64) {
            record.SetField(i, GIntBig(column.whole[kept]));
        } else if (m_plans[i].type == OFTReal) {
            record.SetField(i, column.real[kept]);
        } else {
            const std::size_t begin = kept > 0 ? column.textEnds[kept - 1] : 0;
            text.assign(column.text, begin, column.textEnds[kept] - begin);
            record.SetField(i, text.c_str());
        }
    }
}

} // namespace geodata
