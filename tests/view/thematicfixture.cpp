#include "thematicfixture.h"

#include "app/files/optionfile.h"
#include "app/output/imageexport.h"
#include "app/view/frmclassification.h"
#include "app/view/mapsession.h"
#include "contracts/mapclassbreaksrenderer.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QComboBox>
#include <QPainter>
#include <QtTest>

bool ThematicFixture::startOnNaturalBirths() {
    return start(QStringLiteral("nc_births_74.tq"),
                 {QStringLiteral("--method"), QStringLiteral("natural"),
                  QStringLiteral("--classes"), QStringLiteral("5")}) &&
           !session().State.CircleMap;
}

MapSession &ThematicFixture::session() { return form->session(); }

std::unique_ptr<frmClassification> ThematicFixture::dialog() {
    auto d = std::make_unique<frmClassification>(session().Context, form->state().WorkFolder,
                                                 form.get());
    d->setColorChooser([](const QColor &) { return std::optional<QColor>(QColor(0, 128, 0)); });
    return d;
}

QImage ThematicFixture::picture() {
    QImage image(map->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    map->PaintMap(painter, 1.0);
    return image;
}

QImage ThematicFixture::exported(const QString &name) {
    ImageExport(*map, *session().Legend).Export(path(name), ImageFormat::Png);
    return QImage(path(name + QStringLiteral(".png"))).convertToFormat(QImage::Format_RGB32);
}

QColor ThematicFixture::colourAt(const QImage &picture, double x, double y) const {
    return picture.pixelColor(map->FromMapPoint({x, y}).toPoint());
}

QString ThematicFixture::optionFile(const QString &name) {
    OptionFileSource source;
    source.DataFile = form->state().DataFile;
    source.MapIniName = session().MapIniName;
    source.SelectedValue = session().State.CurrentColumn;
    source.SelectedMap = session().State.CurrentMap;
    source.Map = session().Map;
    source.State = &session().State;
    source.Values = &session().Values;
    const QString base = path(name);
    if (!CreateTQO(source, base))
        return QString();
    QFile file(base + QStringLiteral(".tqo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void Choose(QComboBox *box, const QString &text) {
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QList<MapColor> ClassColours(const ClassBreaksRenderer &renderer) {
    QList<MapColor> colours;
    for (int i = 1; i <= renderer.BreakCount(); ++i)
        colours.append(renderer.Symbol(i).Color);
    return colours;
}
