#include "app/files/viewstate.h"

#include <QStringList>

ViewValues::ViewValues() = default;
ViewValues::~ViewValues() = default;

QString MakeNumberFormat(int decimals) {
    if (decimals <= 0)
        return QStringLiteral("##,##0");
    return QStringLiteral("##,##0.") + QString(decimals, u'0');
}

QString DataExpression(const QString &field, std::int32_t nullValue) {
    return field + QStringLiteral(" > ") + QString::number(nullValue);
}

namespace {

const QStringList labelModeNames = {QStringLiteral("none"), QStringLiteral("name"),
                                    QStringLiteral("value"), QStringLiteral("both")};

} // namespace

std::optional<LabelMode> LabelModeNamed(const QString &name)
{
    const qsizetype i = labelModeNames.indexOf(name.trimmed().toLower());
    if (i < 0)
        return std::nullopt;
    return LabelMode(i);
}

QString LabelModeName(LabelMode mode)
{
    return labelModeNames.value(int(mode));
}
