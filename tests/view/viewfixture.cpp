#include "viewfixture.h"

#include "layerfixture.h"

#include "app/runtime/messagetable.h"
#include "kitbag/kbpath.h"

ViewFixture::ViewFixture(const QString &statFile) : statFile(statFile) {
    map.resize(800, 600);
    BuildColor(colours);
    builder.setDecSeperator(QStringLiteral("."));
    builder.setProgressBar(&progress);
    SetDefaultTexts(
        [this](const QString &text, const QString &tag) { builder.AddErrorMsg(text, tag); });
    mapIniName = builder.GetIniFile(statFile);
    reader.IniFile = kbpath::findNoCase(SamplesFolder() + QStringLiteral("/Maps/") + mapIniName);
    reader.Map = &map;
    reader.colColorMap = &colours;
    reader.CopyFiles(work.path(), true);
    if (!reader.MapList()) {
        error = QStringLiteral("no maps in ") + reader.IniFile;
        return;
    }
    if (!builder.CreateTable(statFile, work.path())) {
        error = builder.ErrorMsg();
        return;
    }
    values.NullValue = builder.NullValue();
    values.StatTable = builder.TableName();
    values.StatKey = builder.KeyFld();
    state.StatFieldNames = builder.StatTblFld();
    state.StatDecimals = builder.StatNumDec();
    stats.addItems(builder.StatFields());
    for (const CMaps &m : *reader.MapList())
        maps.addTopLevelItem(new QTreeWidgetItem(QStringList{m.sMapName()}));
    joiner.setDBPath(work.path());
    joiner.SetNullValue(values.NullValue);
    if (!joiner.Connect()) {
        error = joiner.ErrorMsg();
        return;
    }
    navigator.setMap(&map);
    navigator.SethDC(QSize(1024, 768));
    context.map = &map;
    context.legend = &legend;
    context.lsvKartdata = &maps;
    context.lstStatdata = &stats;
    context.infoPanel = &info;
    context.joiner = &joiner;
    context.mapReader = &reader;
    context.colours = &colours;
    context.navigator = &navigator;
    context.themeCommands = {&theme, &saveAs, &temaMap, &save};
    context.state = &state;
    context.values = &values;
}

bool ViewFixture::Build(int mapNumber, int &column, const std::optional<MapRectangle> &extent) {
    return BuildView(context, values.StatTable, values.StatKey, mapNumber, column, extent);
}

std::shared_ptr<MapLayer> ViewFixture::ThematicLayer() const {
    return values.ThematicLayer >= 0 ? map.Layer(values.ThematicLayer) : nullptr;
}
