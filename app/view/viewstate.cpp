#include "app/view/viewstate.h"

#include "app/view/cdrawsymbol.h"

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
