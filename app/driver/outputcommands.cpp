#include "app/driver/mainform.h"

#include "app/driver/batchmaps.h"

#include "app/output/copycommands.h"
#include "app/output/printcommand.h"
#include "app/view/mapsession.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tableforge/dbfcreator.h"

#include <QAction>
#include <QListWidget>

// File, Print and the copy commands of the Edit menu, from the menu and the toolbar.
void MainForm::ConnectOutputCommands()
{
    auto *print = new PrintCommand(this);
    const auto printMap = [this, print] {
        PrintInput input;
        input.map = m_session->Map;
        input.thematicLayer = m_session->Values.ThematicLayer;
        input.circleMap = m_session->State.CircleMap;
        input.legend = m_session->Legend;
        input.texts = SheetTextsOf(*this, m_session->State.CurrentColumn);
        print->run(input);
    };
    connect(menuEntry(QStringLiteral("mnuPrint")), &QAction::triggered, this, printMap);
    connect(toolButton(QStringLiteral("Print")), &QAction::triggered, this, printMap);

    ConnectCopyCommands(m_widgets, this, [this] {
        CopySource source;
        source.map = m_session->Map;
        source.legend = m_session->Legend;
        if (!m_state.DataFile.isEmpty())
            source.statTitle = m_session->TableBuilder(QString(), {}).GetTitle(m_state.DataFile);
        if (const QListWidgetItem *value =
                statList()->item(m_session->State.CurrentColumn - 1))
            source.valueName = value->text();
        return source;
    });
}
