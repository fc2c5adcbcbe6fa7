#pragma once

#include "app/files/viewstate.h"

#include <QList>
#include <QString>

#include <optional>

class MapLayer;

// The class colours that a colour scheme gives the classes that breaks make over the regions
// of layer with data: the published colours for the number of classes; a diverging scheme
// centred on midpoint, or without one on 0 where the data lie on both sides of 0, else on
// their median. None when there is no scheme of that name.
std::optional<QList<MapColor>> SchemeClassColours(const QString &scheme, const QList<double> &breaks,
                                                  MapLayer &layer, const QString &field,
                                                  const ViewValues &values,
                                                  std::optional<double> midpoint);

// The most classes the scheme has colours of its own for; 0 without a scheme of that name.
int SchemeMaxClasses(const QString &scheme);
