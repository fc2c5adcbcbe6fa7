#pragma once

#include "app/view/viewstate.h"

#include <QString>

#include <optional>

struct ViewContext;

// "none", "name", "value", "both" (as --labels and option files write them) and back; none
// for another word.
std::optional<LabelMode> LabelModeNamed(const QString &name);
QString LabelModeName(LabelMode mode);

// The labels the shown map has: the state's choice, else names when the map definition has
// a LabelField.
LabelMode ShownLabels(ViewContext &context);

// Gives the map control the labels of the shown map (the label field's texts, the statistic
// in the legend's number format, or both; regions by value first when values show) and its
// outline setting. Without a view the map gets no labels.
void ApplyLabels(ViewContext &context);

// Text for a batch run: "N labels placed" and the names of up to five regions left out.
QString LabelReport(ViewContext &context);
