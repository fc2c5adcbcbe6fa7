#include "app/layout/windowbuild.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// An empty, white container that a control is placed into later, filling it.
QWidget *makeContainer(const QString &name)
{
    auto *pane = new QWidget;
    pane->setObjectName(name);
    pane->setAutoFillBackground(true);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, Qt::white);
    pane->setPalette(palette);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    return pane;
}

// The "Info" panel: as wide as its text needs (it holds the whole information of a region),
// though never wider than most of the window; the "Data" panel beside it takes the rest.
class InfoPanel : public QLabel {
public:
    InfoPanel() { setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred); }

    QSize sizeHint() const override
    {
        QSize hint = QLabel::sizeHint();
        if (const QWidget *top = window())
            hint.setWidth(std::min(hint.width(), std::max(200, top->width() * 4 / 5)));
        return hint.expandedTo(QSize(200, 0));
    }
    QSize minimumSizeHint() const override { return QSize(200, QLabel::minimumSizeHint().height()); }
};

QSplitter *makeSplitter(Qt::Orientation orientation, const QString &name)
{
    auto *splitter = new QSplitter(orientation);
    splitter->setObjectName(name);
    splitter->setChildrenCollapsible(false);
    return splitter;
}

} // namespace

// The "Info" panel holds the information text, as wide as the text needs, with the whole
// text as its tool tip; the progress bar of long operations lies over it (same grid cell) and
// is hidden while nothing runs.
void BuildStatusBar(QMainWindow &window, MainWidgets &widgets)
{
    widgets.stbStatus = window.statusBar();
    widgets.stbStatus->setObjectName(QStringLiteral("stbStatus"));
    widgets.stbStatus->setSizeGripEnabled(true);

    auto *infoCell = new QWidget;
    auto *grid = new QGridLayout(infoCell);
    grid->setContentsMargins(0, 0, 0, 0);
    auto *info = new InfoPanel;
    info->setObjectName(QStringLiteral("Info"));
    widgets.pgbProgress = new QProgressBar;
    widgets.pgbProgress->setObjectName(QStringLiteral("pgbProgress"));
    widgets.pgbProgress->setVisible(false);
    grid->addWidget(info, 0, 0);
    grid->addWidget(widgets.pgbProgress, 0, 0);

    auto *data = new QLabel;
    data->setObjectName(QStringLiteral("Data"));
    // The panel gives way to the information; its whole text is its tool tip.
    data->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The projection the map is drawn in; empty for a map in its layers' own coordinates.
    auto *projection = new QLabel;
    projection->setObjectName(QStringLiteral("Projection"));
    widgets.panels.insert(QStringLiteral("Info"), info);
    widgets.panels.insert(QStringLiteral("Data"), data);
    widgets.panels.insert(QStringLiteral("Projection"), projection);
    widgets.stbStatus->addWidget(infoCell, 0);
    widgets.stbStatus->addWidget(data, 1);
    widgets.stbStatus->addPermanentWidget(projection);
}

void BuildPanes(QMainWindow &window, MainWidgets &widgets)
{
    widgets.mapPane = makeContainer(QStringLiteral("Map"));
    widgets.legendPane = makeContainer(QStringLiteral("lgdTegnforklaring"));

    widgets.lsvKartdata = new QTreeWidget;
    widgets.lsvKartdata->setObjectName(QStringLiteral("lsvKartdata"));
    widgets.lsvKartdata->setColumnCount(1);
    widgets.lsvKartdata->setHeaderHidden(true);
    widgets.lsvKartdata->setRootIsDecorated(false);
    widgets.lsvKartdata->setSelectionMode(QAbstractItemView::SingleSelection);

    widgets.lstStatdata = new QListWidget;
    widgets.lstStatdata->setObjectName(QStringLiteral("lstStatdata"));
    widgets.lstStatdata->setSelectionMode(QAbstractItemView::SingleSelection);

    widgets.imgMapSplitter = makeSplitter(Qt::Vertical, QStringLiteral("imgMapSplitter"));
    widgets.imgMapSplitter->addWidget(widgets.lsvKartdata);
    widgets.imgMapSplitter->addWidget(widgets.lstStatdata);

    widgets.imglgdSplitter = makeSplitter(Qt::Vertical, QStringLiteral("imglgdSplitter"));
    widgets.imglgdSplitter->addWidget(widgets.legendPane);
    widgets.imglgdSplitter->addWidget(widgets.imgMapSplitter);
    widgets.imglgdSplitter->setStretchFactor(0, 3);
    widgets.imglgdSplitter->setStretchFactor(1, 2);
    // The legend gets the larger part at first; it scrolls when it is longer still.
    widgets.imglgdSplitter->setSizes({380, 240});

    widgets.imgSplitter = makeSplitter(Qt::Horizontal, QStringLiteral("imgSplitter"));
    widgets.imgSplitter->addWidget(widgets.imglgdSplitter);
    widgets.imgSplitter->addWidget(widgets.mapPane);
    widgets.imgSplitter->setStretchFactor(0, 1);
    widgets.imgSplitter->setStretchFactor(1, 3);
    widgets.imgSplitter->setSizes({260, 780});

    window.setCentralWidget(widgets.imgSplitter);
}
