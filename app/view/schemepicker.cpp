#include "app/view/schemepicker.h"

#include "app/runtime/messagetable.h"
#include "bandwise/colourschemes.h"

#include <QPainter>

namespace {

const QSize stripSize(72, 14);

// The entry that keeps the ramp from the start to the end colour.
QString rampText() {
    const QString text = MessageText(QStringLiteral("SchemeNone"));
    return text.isEmpty() ? QStringLiteral("(two colours)") : text;
}

} // namespace

SchemePicker::SchemePicker(QWidget *parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("cmbScheme"));
    setIconSize(stripSize);
    addItem(rampText(), QString());
    for (const ColourScheme &scheme : ColourSchemes())
        addItem(QLatin1String(scheme.name), QLatin1String(scheme.name));
    drawStrips();
    connect(this, &QComboBox::activated, this, [this] { emit schemeChosen(scheme()); });
}

QString SchemePicker::scheme() const {
    return currentData().toString();
}

void SchemePicker::setScheme(const QString &name) {
    const ColourScheme *found = FindColourScheme(name);
    setCurrentIndex(found ? findData(QLatin1String(found->name)) : 0);
}

void SchemePicker::setClassCount(int classes) {
    if (classes == m_classes)
        return;
    m_classes = classes;
    drawStrips();
}

void SchemePicker::drawStrips() {
    const auto &schemes = ColourSchemes();
    for (int i = 0; i < int(schemes.size()); ++i)
        setItemIcon(i + 1, Strip(schemes[std::size_t(i)], m_classes, stripSize));
}

QPixmap SchemePicker::Strip(const ColourScheme &scheme, int classes, const QSize &size) {
    QPixmap strip(size);
    strip.fill(Qt::white);
    const QList<MapColor> colours = SchemeColours(scheme, std::max(classes, 1));
    QPainter painter(&strip);
    for (int i = 0; i < colours.size(); ++i) {
        const int left = int(i * size.width() / colours.size());
        const int right = int((i + 1) * size.width() / colours.size());
        painter.fillRect(QRect(left, 0, right - left, size.height()), toQColor(colours.at(i)));
    }
    return strip;
}
