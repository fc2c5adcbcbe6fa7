#include "app/files/optionfile.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/mapdefs/colournames.h"
#include "kitbag/kbutil.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString Choroplet = QStringLiteral("CHOROPLET");

// Reads the digits from position i on; returns how many there were.
int scanDigits(const QString &text, int &i) {
    const int start = i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    return i - start;
}

QString readValue(const QString &file, const QString &section, const QString &key) {
    return CKbUtil().ReadIniFile(file, section, key);
}

// A colour written as a number (rounded) or as a colour name.
MapColor readColour(const QString &text, const QString &file, const QString &key,
                    const ColorTable &colours) {
    if (IsOptionNumber(text))
        return MapColor(OptionWholeNumber(std::nearbyint(OptionNumber(text))));
    return MapColor(GetColor(colours, text, file, Choroplet, key));
}

void readColourSettings(const QString &file, ViewState &state, ViewValues &values,
                        const ColorTable &colours) {
    const QString ramp = readValue(file, Choroplet, QStringLiteral("RampColors"));
    values.RampFlag = std::trunc(OptionNumber(ramp)) > 0;
    if (values.RampFlag) {
        const QString start = readValue(file, Choroplet, QStringLiteral("StartColor"));
        if (!start.isEmpty())
            state.StartColor = readColour(start, file, QStringLiteral("StartColor"), colours);
        const QString end = readValue(file, Choroplet, QStringLiteral("EndColor"));
        if (!end.isEmpty())
            state.EndColor = readColour(end, file, QStringLiteral("EndColor"), colours);
        return;
    }
    QList<MapColor> classColours;
    for (int i = 1;; ++i) {
        const QString key = QStringLiteral("Color") + QString::number(i);
        const QString text = readValue(file, Choroplet, key);
        if (text.isEmpty())
            break;
        classColours.append(readColour(text, file, key, colours));
    }
    state.ClassColors = classColours;
}

void readNoDataSettings(const QString &file, ViewValues &values, const ColorTable &colours) {
    const QString show = readValue(file, Choroplet, QStringLiteral("ShowNoData"));
    if (IsOptionNumber(show))
        values.ShowNoData = OptionNumber(show) != 0;
    const QString null = readValue(file, Choroplet, QStringLiteral("Null"));
    if (IsOptionNumber(null))
        values.NullValue = OptionWholeNumber(std::nearbyint(OptionNumber(null)));
    const QString nullColour = readValue(file, Choroplet, QStringLiteral("NullColor"));
    if (!nullColour.isEmpty())
        values.NoDataColor = readColour(nullColour, file, QStringLiteral("NullColor"), colours);
}

bool readBound(const QString &file, const QString &key, double &value) {
    bool ok = false;
    value = OptionNumber(readValue(file, Choroplet, key), &ok);
    return ok;
}

void reportWrongValue() {
    ShowMessage(QStringLiteral("Chorel (ReadClasses)"), 64,
                MessageText(QStringLiteral("WrongTQO")));
}

} // namespace

double OptionNumber(const QString &text, bool *ok) {
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-'))
        ++i;
    int digits = scanDigits(t, i);
    if (i < t.size() && (t.at(i) == u'.' || t.at(i) == u',')) {
        ++i;
        digits += scanDigits(t, i);
    }
    if (ok)
        *ok = digits > 0;
    if (digits == 0)
        return 0.0;
    int end = i;
    if (i < t.size() && (t.at(i) == u'e' || t.at(i) == u'E')) {
        int j = i + 1;
        if (j < t.size() && (t.at(j) == u'+' || t.at(j) == u'-'))
            ++j;
        if (scanDigits(t, j) > 0)
            end = j;
    }
    QString number = t.left(end);
    number.replace(u',', u'.');
    const double value = number.toDouble();
    return std::isfinite(value) ? value : 0.0;
}

std::int32_t OptionWholeNumber(double value) {
    if (std::isnan(value))
        return 0;
    return std::int32_t(std::clamp(value, double(std::numeric_limits<std::int32_t>::min()),
                                   double(std::numeric_limits<std::int32_t>::max())));
}

bool IsOptionNumber(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    OptionNumber(t, &ok);
    if (!ok)
        return false;
    // The whole text must have been read: compare with what the parser accepts.
    static const QRegularExpression whole(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    return whole.match(t).hasMatch();
}

std::optional<MapRectangle> ReadExtent(const QString &optionFile, QString *problem) {
    const QString section = QStringLiteral("EXTENT");
    double value[4] = {};
    const char *keys[4] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        const QString key = QString::fromLatin1(keys[i]);
        const QString text = readValue(optionFile, section, key);
        value[i] = OptionNumber(text);
        // A number beyond the doubles (1e309) reads as 0 above; as an extent it is refused.
        bool ok = false;
        const double written = QString(text.trimmed()).replace(u',', u'.').toDouble(&ok);
        if (problem && IsOptionNumber(text) && !std::isfinite(written) && problem->isEmpty())
            *problem = QStringLiteral("The option file %1 has a value that is not a finite "
                                      "number: [EXTENT] %2=%3")
                           .arg(optionFile, key, text.trimmed());
    }
    const double left = value[0], right = value[1], top = value[2], bottom = value[3];
    if (problem && problem->isEmpty() && right > left && top > bottom &&
        (!std::isfinite(right - left) || !std::isfinite(top - bottom)))
        *problem = QStringLiteral("The option file %1 has an extent too wide to draw: [EXTENT] "
                                  "Left=%2, Right=%3, Top=%4, Bottom=%5")
                       .arg(optionFile)
                       .arg(left)
                       .arg(right)
                       .arg(top)
                       .arg(bottom);
    if (problem && !problem->isEmpty())
        return std::nullopt;
    // An extent without width or height (all four values 0 or missing) means "no stored
    // extent": the map then shows its data. A sum test would also throw away every extent
    // west of Greenwich or south of the equator, so maps there would lose their saved zoom.
    if (right > left && top > bottom)
        return MapRectangle(left, right, bottom, top);
    return std::nullopt;
}

std::optional<QList<double>> ReadClasses(const QString &optionFile, ViewState &state,
                                         ViewValues &values, const ColorTable &colours) {
    const QString classes = readValue(optionFile, Choroplet, QStringLiteral("Classes"));
    int count = -1; // -1: the file does not say; the Class keys are read until one is missing
    if (!classes.isEmpty()) {
        count = OptionWholeNumber(std::nearbyint(OptionNumber(classes)));
        state.NumClasses = count;
    }
    readColourSettings(optionFile, state, values, colours);
    readNoDataSettings(optionFile, values, colours);

    QList<double> bounds;
    for (int i = 1; count < 0 || i <= count; ++i) {
        const QString key = QStringLiteral("Class") + QString::number(i);
        if (count < 0 && readValue(optionFile, Choroplet, key).isEmpty())
            break;
        double value = 0.0;
        if (!readBound(optionFile, key, value)) {
            reportWrongValue();
            return std::nullopt;
        }
        bounds.append(value);
    }
    double lower = 0.0;
    if (!readValue(optionFile, Choroplet, QStringLiteral("MinVal")).isEmpty() &&
        !readBound(optionFile, QStringLiteral("MinVal"), lower)) {
        reportWrongValue();
        return std::nullopt;
    }
    values.LowerBound = lower;
    if (!bounds.isEmpty())
        values.UpperBound = bounds.takeLast();
    return bounds;
}
