#pragma once

#include "tableforge/stattable.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// Reading a JSON-stat file: a dataset of version 2.0, a collection holding one dataset, or a
// version-1 bundle holding one dataset. The dimension with the role "geo" (or the one whose
// id is keyDimension) gives the region codes: its category ids in category index order.
// Every combination of the other dimensions' categories is one statistic, titled by their
// labels ("2021, Total"; a dimension of one category adds nothing to the titles unless all
// are such); null values are no data. The dataset's label is the title, its source and
// updated make the source text.
namespace jsonstat {

// The bytes are taken: the values are read straight from them (see ValueArray in the source)
// and the bytes are let go as soon as the rest is parsed.
std::optional<StatTable> Read(QByteArray bytes, const QString &keyDimension, QString *error);

// The dataset's label, or an empty text when the bytes hold none (or are not JSON-stat).
QString ReadLabel(QByteArray bytes);

} // namespace jsonstat
