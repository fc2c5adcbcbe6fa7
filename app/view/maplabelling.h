#pragma once

#include "app/files/viewstate.h"

#include <QString>

#include <optional>

struct ViewContext;

// The labels the shown map has: the state's choice, else names when the map definition has
// a LabelField.
LabelMode ShownLabels(ViewContext &context);

// Gives the map control the labels of the shown map (the label field's texts, the statistic
// in the legend's number format, or both; regions by value first when values show) and its
// outline setting. Without a view the map gets no labels.
void ApplyLabels(ViewContext &context);

// Text for a batch run: "N labels placed" and the names of up to five regions left out.
QString LabelReport(ViewContext &context);
