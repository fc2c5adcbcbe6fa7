#include "platform/legend/legendsettings.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

QString formatLegendNumber(double value, const QString &format)
{
    const qsizetype dot = format.indexOf('.');
    int decimals = 0;
    if (dot >= 0)
        for (qsizetype i = dot + 1; i < format.size() && format[i] == '0'; ++i)
            ++decimals;
    QLocale locale;
    QLocale::NumberOptions options = locale.numberOptions();
    if (format.left(dot < 0 ? format.size() : dot).contains(','))
        options &= ~QLocale::OmitGroupSeparator;
    else
        options |= QLocale::OmitGroupSeparator;
    locale.setNumberOptions(options);
    // "-0" is not a number a reader expects in a legend.
    QString text = locale.toString(value, 'f', decimals);
    if (text.startsWith(locale.negativeSign()) &&
        locale.toDouble(text.mid(locale.negativeSign().size())) == 0.0)
        text = text.mid(locale.negativeSign().size());
    return text;
}

double ShownBreak(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, std::max(decimals, 0));
    const double scaled = value * scale;
    const double nearest = std::nearbyint(scaled);
    if (std::fabs(scaled - nearest) <= 1e-7 * std::max(1.0, std::fabs(scaled)))
        return nearest / scale;
    return std::floor(scaled) / scale;
}
