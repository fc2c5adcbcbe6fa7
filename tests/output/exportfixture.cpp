#include "exportfixture.h"

#include "../circles/squarelayer.h"

#include "contracts/mapclassbreaksrenderer.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

CentrePoint SquareCentre(int n)
{
    return {(n % 2) * 50.0 + 25.0, (n / 2) * 50.0 + 25.0};
}

std::shared_ptr<ClassBreaksRenderer> GreenBlueRenderer()
{
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    renderer->SetField(QStringLiteral("STAT"));
    renderer->SetBreakCount(2);
    renderer->SetBreak(0, 0.0);
    renderer->SetBreak(1, 25.0);
    renderer->Symbol(0).Color = 0xFFFFFF;
    renderer->Symbol(1).Color = ExportFixture::Green;
    renderer->Symbol(2).Color = ExportFixture::Blue;
    return renderer;
}

ExportFixture::ExportFixture(const QString &folder)
    : map(std::make_unique<MapWidget>()), legend(std::make_unique<LegendWidget>())
{
    QList<Square> squares;
    for (int n = 0; n < 4; ++n)
        squares.append({QString(QChar(u'a' + n)), (n % 2) * 50.0, (n / 2) * 50.0, 50.0,
                        10.0 * (n + 1)});
    const QString shp = writeSquareLayer(folder, QStringLiteral("grid"), squares);
    map->resize(200, 160);
    if (shp.isEmpty() || !map->AddShapefileLayer(shp))
        return;
    map->Layer(0)->SetRenderer(GreenBlueRenderer());
    map->SetExtent(MapRectangle(0, 100, 0, 100));

    legend->resize(160, 200);
    legend->setMapSource(map.get());
    legend->setStatistics(MapStatistics{40.0, 10.0, 100.0, 25.0, 4});
    legend->setLayerTitle(0, QStringLiteral("Births"));
    legend->LoadLegend();
    ok = true;
}

ExportFixture::~ExportFixture()
{
    // The legend watches the map: detach it before the map goes.
    legend->setMapSource(nullptr);
}

bool WalkMetafile(const QByteArray &wmf, int *records, QString *why)
{
    auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    const auto *d = reinterpret_cast<const uchar *>(wmf.constData());
    const qsizetype n = wmf.size();
    // Placeable header (22 bytes), then the metafile header of 9 words.
    if (n < 40 || qFromLittleEndian<quint32>(d) != 0x9AC6CDD7u)
        return fail(QStringLiteral("no placeable header"));
    const uchar *meta = d + 22;
    if (qFromLittleEndian<quint16>(meta + 2) != 9)
        return fail(QStringLiteral("metafile header size is not 9 words"));
    const quint32 words = qFromLittleEndian<quint32>(meta + 6);
    if (qsizetype(words) * 2 + 22 != n)
        return fail(QStringLiteral("size field %1 words, file %2 bytes").arg(words).arg(n));
    qsizetype pos = 22 + 18;
    int count = 0;
    while (pos + 6 <= n) {
        const quint32 size = qFromLittleEndian<quint32>(d + pos);
        const quint16 function = qFromLittleEndian<quint16>(d + pos + 4);
        if (size < 3 || pos + qsizetype(size) * 2 > n)
            return fail(QStringLiteral("record %1 runs past the end").arg(count));
        ++count;
        pos += qsizetype(size) * 2;
        if (function == 0 && size == 3) {
            if (records)
                *records = count;
            return pos == n ? true : fail(QStringLiteral("bytes after the end record"));
        }
    }
    return fail(QStringLiteral("no end record"));
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ConvertWithWmf2svg(const QString &wmf, const QString &svg)
{
    const QString converter = QStandardPaths::findExecutable(QStringLiteral("wmf2svg"));
    if (converter.isEmpty())
        return QStringLiteral("skip: wmf2svg (libwmf-bin) is not installed");
    // libwmf looks for the standard PostScript fonts, one file each.
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVu");
    const QList<std::pair<const char *, const char *>> fonts = {
        {"Helvetica", "Sans"},       {"Helvetica-Oblique", "Sans-Oblique"},
        {"Helvetica-Bold", "Sans-Bold"}, {"Helvetica-BoldOblique", "Sans-BoldOblique"},
        {"Courier", "SansMono"},     {"Courier-Oblique", "SansMono-Oblique"},
        {"Courier-Bold", "SansMono-Bold"}, {"Courier-BoldOblique", "SansMono-BoldOblique"},
        {"Times-Roman", "Serif"},    {"Times-Italic", "Serif-Italic"},
        {"Times-Bold", "Serif-Bold"}, {"Times-BoldItalic", "Serif-BoldItalic"}};
    QFile fontmap(QFileInfo(svg).dir().filePath(QStringLiteral("Fontmap")));
    if (!fontmap.open(QIODevice::WriteOnly))
        return QStringLiteral("the font map cannot be written");
    for (const auto &[name, file] : fonts) {
        const QString path = dejavu + QLatin1String(file) + QStringLiteral(".ttf");
        if (!QFile::exists(path))
            return QStringLiteral("skip: the DejaVu fonts (fonts-dejavu-core) are not installed");
        fontmap.write(QStringLiteral("/%1 (%2) ;\n").arg(QLatin1String(name), path).toUtf8());
    }
    fontmap.close();
    QProcess process;
    process.start(converter, {QStringLiteral("--wmf-gs-fontmap=") + fontmap.fileName(),
                              QStringLiteral("-o"), svg, wmf});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}
