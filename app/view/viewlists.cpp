#include "app/view/buildview.h"

#include "app/mapdefs/creadmapfile.h"
#include "contracts/legendcontrol.h"

#include <QLabel>

namespace {

// A click on a list row builds the view of that row, unless the view builder itself is
// selecting rows. The view of a row is never taken from an option file.
void buildFromList(ViewContext &context, int mapNumber, int statColumn) {
    ViewState &state = *context.state;
    if (state.UpdatingLists)
        return;
    state.UpdatingLists = true;
    ShowWaitPointer(context.map);
    context.mapReader->OptionFile.clear();
    if (context.infoPanel)
        context.infoPanel->clear();
    BuildView(context, context.values->StatTable, context.values->StatKey, mapNumber, statColumn,
              std::nullopt);
    RestoreNormalPointer(context.map);
}

} // namespace

void lsvKartdata_ItemClick(ViewContext &context, int row) {
    buildFromList(context, row + 1, context.state->CurrentColumn);
}

void lstStatdata_Click(ViewContext &context, int row) {
    buildFromList(context, context.state->CurrentMap, row + 1);
}

void lgdTegnforklaring_EntryAction(ViewContext &context, int entry) {
    if (!context.legend || entry < 0)
        return;
    context.legend->setLayerExpanded(entry, true);
    context.legend->Refresh();
}
