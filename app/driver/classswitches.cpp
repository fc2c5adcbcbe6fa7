#include "app/driver/classswitches.h"

#include "app/driver/commandline.h"
#include "app/driver/mainstate.h"
#include "app/runtime/showmessage.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/maplabelling.h"
#include "app/files/viewstate.h"
#include "bandwise/colourschemes.h"
#include "platform/gismodule/gismodule.h"

#include <QStringList>

namespace {

const QStringList methodNames = {QStringLiteral("equal"), QStringLiteral("quantile"),
                                 QStringLiteral("natural"), QStringLiteral("pretty")};
const int methodTypes[] = {kbEqual, kbQuantile, kbNatural, kbPretty};
constexpr int fewestClasses = 2;
constexpr int mostClasses = 64; // as many as the class-number box offers

QString quoted(const QString &text) {
    return u'"' + text + u'"';
}

} // namespace

std::optional<int> ClassTypeNamed(const QString &name) {
    const qsizetype i = methodNames.indexOf(name.trimmed().toLower());
    return i < 0 ? std::nullopt : std::optional<int>(methodTypes[i]);
}

std::optional<int> ClassCountOf(const QString &text) {
    bool ok = false;
    const int classes = text.trimmed().toInt(&ok);
    if (!ok || classes < fewestClasses || classes > mostClasses)
        return std::nullopt;
    return classes;
}

QString MethodNames() { return methodNames.join(QStringLiteral(", ")); }

ClassSwitches ReadClassSwitches(const ParsedCommandLine &commandLine) {
    ClassSwitches switches;
    QStringList errors;
    if (commandLine.has("method")) {
        const QString name = commandLine.value("method");
        switches.classType = ClassTypeNamed(name);
        if (!switches.classType)
            errors << QStringLiteral("--method: unknown method %1; the methods are %2.")
                          .arg(quoted(name), MethodNames());
    }
    if (commandLine.has("classes")) {
        const QString text = commandLine.value("classes");
        switches.numClasses = ClassCountOf(text);
        if (!switches.numClasses)
            errors << QStringLiteral("--classes: %1 is not a number of classes from %2 to %3.")
                          .arg(quoted(text))
                          .arg(fewestClasses)
                          .arg(mostClasses);
    }
    if (commandLine.has("scheme")) {
        const QString name = commandLine.value("scheme");
        const ColourScheme *scheme = FindColourScheme(name);
        if (!scheme)
            errors << QStringLiteral("--scheme: unknown colour scheme %1; the schemes are %2.")
                          .arg(quoted(name), ColourSchemeNames().join(QStringLiteral(", ")));
        else if (switches.numClasses && *switches.numClasses > scheme->maxClasses)
            errors << QStringLiteral("--scheme: %1 has colours for %2 to %3 classes, not %4.")
                          .arg(QLatin1String(scheme->name))
                          .arg(SchemeMinClasses)
                          .arg(scheme->maxClasses)
                          .arg(*switches.numClasses);
        else
            switches.scheme = QLatin1String(scheme->name);
    }
    if (commandLine.has("midpoint")) {
        QString text = commandLine.value("midpoint").trimmed();
        text.replace(u',', u'.');
        bool ok = false;
        const double midpoint = text.toDouble(&ok);
        if (!ok || !qIsFinite(midpoint))
            errors << QStringLiteral("--midpoint: %1 is not a number.")
                          .arg(quoted(commandLine.value("midpoint")));
        else
            switches.midpoint = midpoint;
    }
    switches.error = errors.join(QStringLiteral("\r\n"));
    return switches;
}

void ApplyClassSwitches(const ClassSwitches &switches, MainState &state) {
    state.AskedClassType = switches.classType;
    state.AskedNumClasses = switches.numClasses;
    state.Scheme = switches.scheme;
    state.Midpoint = switches.midpoint;
}

void ApplyDefaultClassification(CReadMapFile &mapDefinition, ViewState &view) {
    const auto report = [&mapDefinition](const QString &key, const QString &value,
                                         const QString &valid) {
        ShowMessage(QStringLiteral("Chorel (AddMap)"), 64,
                    mapDefinition.IniFile + QStringLiteral(" : \r\n[DEFAULT]\r\n") + key +
                        u'=' + value + QStringLiteral("\r\n") + valid);
    };
    const QString method = mapDefinition.GetDefaultText(QStringLiteral("Method"));
    if (!method.isEmpty() && !view.AskedClassType) {
        if (const auto type = ClassTypeNamed(method))
            view.ClassType = *type;
        else
            report(QStringLiteral("Method"), method,
                   QStringLiteral("The methods are %1.").arg(MethodNames()));
    }
    const QString classes = mapDefinition.GetDefaultText(QStringLiteral("Classes"));
    if (!classes.isEmpty() && !view.AskedNumClasses) {
        if (const auto count = ClassCountOf(classes))
            view.NumClasses = *count;
        else
            report(QStringLiteral("Classes"), classes,
                   QStringLiteral("The number of classes is %1 to %2.")
                       .arg(fewestClasses)
                       .arg(mostClasses));
    }
}

QString ProjectionSwitchError(const ParsedCommandLine &commandLine)
{
    if (!commandLine.has("projection"))
        return QString();
    const QString value = commandLine.value("projection");
    if (value.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return QString();
    // "auto" is always known: PROJ is loaded where the map is projected, not here
    if (isAutomaticProjection(value))
        return QString();
    QString said;
    const gis::ProjectionModule *gis = gis::projectionModule(&said);
    if (gis && gis->isKnownProjection(value, &said))
        return QString();
    return QStringLiteral("--projection: unknown coordinate reference system %1 (%2); give an "
                          "EPSG or ESRI code, a PROJ string, WKT, auto or none.")
        .arg(quoted(value), said);
}

DressingSwitches ReadDressingSwitches(const ParsedCommandLine &commandLine) {
    DressingSwitches switches;
    QStringList errors;
    if (commandLine.has("labels")) {
        const QString name = commandLine.value("labels");
        switches.labels = LabelModeNamed(name);
        if (!switches.labels)
            errors << QStringLiteral("--labels: unknown choice %1; the choices are name, value, "
                                     "both, none.")
                          .arg(quoted(name));
    }
    if (commandLine.has("outline")) {
        const QString value = commandLine.value("outline");
        if (value.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0)
            switches.outlineAuto = true;
        else
            errors << QStringLiteral("--outline: unknown choice %1; the choice is auto.")
                          .arg(quoted(value));
    }
    if (commandLine.has("units")) {
        const QString value = commandLine.value("units").toLower();
        if (value == QLatin1String("mi"))
            switches.miles = true;
        else if (value != QLatin1String("km"))
            errors << QStringLiteral("--units: unknown unit %1; the units are km, mi.")
                          .arg(quoted(commandLine.value("units")));
    }
    switches.error = errors.join(QStringLiteral("\r\n"));
    return switches;
}

void ApplyDressingSwitches(const DressingSwitches &switches, MainState &state) {
    state.AskedLabels = switches.labels;
    state.AskedOutlineAuto = switches.outlineAuto;
    state.Miles = switches.miles;
}
