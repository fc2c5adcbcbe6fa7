#include "app/view/mapsession.h"

#include "app/view/mainwidgets.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/joinstatus.h"
#include "app/view/maplabelling.h"
#include "app/view/maptools.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"
#include "tableforge/dbfcreator.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void placeInto(QWidget *pane, QWidget *control) {
    if (!pane->layout()) {
        auto *layout = new QVBoxLayout(pane);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    pane->layout()->addWidget(control);
}

} // namespace

MapSession::MapSession(MainWidgets &widgets, QObject *parent) : QObject(parent) {
    Map = new MapWidget(widgets.mapPane);
    Map->setObjectName(QStringLiteral("Map"));
    placeInto(widgets.mapPane, Map);
    // The legend scrolls in its pane when it is longer or wider than the pane.
    auto *legendScroll = new QScrollArea(widgets.legendPane);
    legendScroll->setObjectName(QStringLiteral("scrLegend"));
    legendScroll->setWidgetResizable(true);
    legendScroll->setFrameShape(QFrame::NoFrame);
    Legend = new LegendWidget;
    Legend->setObjectName(QStringLiteral("lgdTegnforklaring"));
    legendScroll->setWidget(Legend);
    placeInto(widgets.legendPane, legendScroll);
    Navigator.setMap(Map);

    Context.map = Map;
    Context.legend = Legend;
    Context.lsvKartdata = widgets.lsvKartdata;
    Context.lstStatdata = widgets.lstStatdata;
    Context.infoPanel = widgets.panels.value(QStringLiteral("Info"));
    if (widgets.stbStatus) {
        Context.joinStatus = new JoinStatus(widgets.stbStatus);
        widgets.stbStatus->addWidget(Context.joinStatus, 1);
    }
    Context.projectionPanel = widgets.panels.value(QStringLiteral("Projection"));
    Context.joiner = &Joiner;
    Context.mapReader = &MapReader;
    Context.navigator = &Navigator;
    Context.state = &State;
    Context.values = &Values;
    Context.themeCommands = {widgets.menuEntries.value(QStringLiteral("mnuTheme")),
                             widgets.menuEntries.value(QStringLiteral("mnuSaveAs")),
                             widgets.buttons.value(QStringLiteral("TemaMap")),
                             widgets.buttons.value(QStringLiteral("Save"))};
    if (QAction *labels = widgets.menuEntries.value(QStringLiteral("mnuLabels"))) {
        Context.labelsCommand = labels;
        Context.themeCommands.append(labels);
        labels->setCheckable(true);
        labels->setEnabled(false);
        connect(labels, &QAction::triggered, this, [this](bool on) {
            State.Labels = on ? State.LastLabels : LabelMode::None;
            ApplyLabels(Context);
            Map->Refresh();
        });
    }
    const QList<QPair<QString, int>> tools{{QStringLiteral("ZoomIn"), ZoomInPointer},
                                           {QStringLiteral("ZoomOut"), ZoomOutPointer},
                                           {QStringLiteral("Pan"), PanPointer},
                                           {QStringLiteral("Info"), InfoPointer}};
    for (const auto &[key, pointer] : tools)
        Context.tools.append({widgets.buttons.value(key), pointer});
    MapReader.Map = Map;

    if (widgets.lsvKartdata)
        connect(widgets.lsvKartdata, &QTreeWidget::itemClicked, this,
                [this](QTreeWidgetItem *item) {
                    m_listFollow.stop();
                    lsvKartdata_ItemClick(Context, Context.lsvKartdata->indexOfTopLevelItem(item));
                });
    if (widgets.lstStatdata)
        connect(widgets.lstStatdata, &QListWidget::itemClicked, this,
                [this](QListWidgetItem *item) {
                    m_listFollow.stop();
                    lstStatdata_Click(Context, Context.lstStatdata->row(item));
                });
    ConnectListKeys();
    connect(Legend, &LegendWidget::EntryActivated, this,
            [this](int entry) { lgdTegnforklaring_EntryAction(Context, entry); });
    ConnectMapDrawEvents(*Map, Context, widgets.buttons.value(QStringLiteral("PrevExtent")));
    ConnectMapTools(widgets, *Map, Context);
}

MapSession::~MapSession() = default;

// The keyboard moves the current row of a list: the map follows once the row has rested for
// ListFollowDelay (so that holding an arrow key does not build every map on the way), or at
// once on Enter. The view builder's own row changes are not the user's.
void MapSession::ConnectListKeys() {
    m_listFollow.setSingleShot(true);
    m_listFollow.setInterval(ListFollowDelay);
    connect(&m_listFollow, &QTimer::timeout, this, [this] { FollowListRows(); });
    const auto moved = [this] {
        if (!State.UpdatingLists)
            m_listFollow.start();
    };
    const auto entered = [this] {
        m_listFollow.stop();
        if (!State.UpdatingLists)
            FollowListRows();
    };
    if (QTreeWidget *maps = Context.lsvKartdata) {
        connect(maps, &QTreeWidget::currentItemChanged, this, moved);
        connect(maps, &QTreeWidget::itemActivated, this, entered);
    }
    if (QListWidget *statistics = Context.lstStatdata) {
        connect(statistics, &QListWidget::currentRowChanged, this, moved);
        connect(statistics, &QListWidget::itemActivated, this, entered);
    }
}

void MapSession::FollowListRows() {
    if (State.UpdatingLists || Values.ThematicLayer < 0)
        return;
    if (QTreeWidget *maps = Context.lsvKartdata) {
        const int row = maps->indexOfTopLevelItem(maps->currentItem());
        if (row >= 0 && row + 1 != State.CurrentMap) {
            lsvKartdata_ItemClick(Context, row);
            return;
        }
    }
    if (QListWidget *statistics = Context.lstStatdata) {
        const int row = statistics->currentRow();
        if (row >= 0 && row + 1 != State.CurrentColumn)
            lstStatdata_Click(Context, row);
    }
}

DBFCreator &MapSession::TableBuilder(const QString &decimalSymbol,
                                     const QList<QPair<QString, QString>> &messages) {
    if (!m_tableBuilder) {
        m_tableBuilder = std::make_unique<DBFCreator>();
        m_tableBuilder->setDecSeperator(decimalSymbol);
        for (const auto &[text, tag] : messages)
            m_tableBuilder->AddErrorMsg(text, tag);
    }
    return *m_tableBuilder;
}

void MapSession::AttachProgress(QProgressBar *bar, QWidget *captionWindow) {
    if (!m_tableBuilder)
        return;
    if (bar && !m_progress) {
        m_progress = std::make_unique<TableProgress>();
        connect(m_progress.get(), &TableProgress::maxChanged, bar, &QProgressBar::setMaximum);
        connect(m_progress.get(), &TableProgress::valueChanged, bar, &QProgressBar::setValue);
        connect(m_progress.get(), &TableProgress::refreshRequested, bar, [bar] { bar->repaint(); });
    }
    if (captionWindow && !m_caption) {
        m_caption = std::make_unique<TableCaption>(captionWindow->windowTitle());
        connect(m_caption.get(), &TableCaption::captionChanged, captionWindow,
                &QWidget::setWindowTitle);
    }
    m_tableBuilder->setProgressBar(m_progress.get());
    m_tableBuilder->setFormCaption(m_caption.get());
}

void MapSession::FillMapList() {
    QTreeWidget *list = Context.lsvKartdata;
    if (!list || !MapReader.MapList())
        return;
    State.UpdatingLists = true;
    list->clear();
    for (const CMaps &map : *MapReader.MapList())
        list->addTopLevelItem(new QTreeWidgetItem(QStringList{map.sMapName()}));
    State.UpdatingLists = false;
}

void MapSession::ClearView() {
    Map->ClearLayers();
    if (Context.joinStatus)
        Context.joinStatus->clearSummary();
    Values.ThematicLayer = -1;
    Values.Statistics.reset();
    State.UpdatingLists = true;
    if (Context.lstStatdata)
        Context.lstStatdata->clear();
    if (Context.lsvKartdata)
        Context.lsvKartdata->clear();
    State.UpdatingLists = false;
    Legend->LoadLegend();
    Legend->Refresh();
}
