#include "app/view/maptools.h"

#include "app/runtime/showmessage.h"
#include "app/view/mainwidgets.h"
#include "app/view/buildview.h"
#include "app/view/infotool.h"
#include "contracts/runtimeerror.h"
#include "platform/mapcontrol/mapwidget.h"
#include "zoomkeeper/scalehandler.h"

#include <QAction>

namespace {

struct ToolEntry {
    const char *button;
    const char *menuEntry;
};

const ToolEntry toolEntries[] = {{"ZoomIn", "mnuZoomin"},
                                 {"ZoomOut", "mnuZoomout"},
                                 {"Pan", "mnuPan"},
                                 {"Info", "mnuInfo"}};

// A navigator call; a failure of the map control is reported and changes nothing else.
template <typename Call>
void navigate(ScaleHandler &navigator, Call call)
{
    if (!navigator.Map() || navigator.Map()->LayerCount() == 0)
        return;
    try {
        call(navigator);
    } catch (const RunTimeError &error) {
        ShowMessage(QStringLiteral("Chorel"), 16, error);
    }
}

// Pressing a tool button or choosing its menu entry selects the tool everywhere.
void connectTool(QAction *button, QAction *menuEntry, int pointer, MapWidget &map)
{
    QObject::connect(button, &QAction::toggled, &map, [menuEntry, pointer, &map](bool on) {
        if (!on)
            return;
        if (menuEntry && !menuEntry->isChecked())
            menuEntry->setChecked(true);
        if (map.MousePointer() != WaitPointer)
            map.SetMousePointer(pointer);
    });
    if (!menuEntry)
        return;
    QObject::connect(menuEntry, &QAction::toggled, &map, [button](bool on) {
        if (on && !button->isChecked())
            button->setChecked(true);
    });
}

void connectCommand(const MainWidgets &widgets, const char *button, const char *menuEntry,
                    MapWidget &map, void (*run)(ScaleHandler &), ScaleHandler &navigator)
{
    const auto trigger = [run, &navigator] { navigate(navigator, run); };
    if (QAction *b = widgets.buttons.value(QString::fromLatin1(button)))
        QObject::connect(b, &QAction::triggered, &map, trigger);
    if (QAction *m = widgets.menuEntries.value(QString::fromLatin1(menuEntry)))
        QObject::connect(m, &QAction::triggered, &map, trigger);
}

// Mouse button pressed on the map: the selected tool decides.
void mouseDown(MapWidget &map, ViewContext &context, double x, double y)
{
    ScaleHandler &navigator = *context.navigator;
    switch (SelectedToolPointer(context)) {
    case ZoomInPointer:
        navigate(navigator, [](ScaleHandler &n) { n.ZoomIn(); });
        break;
    case ZoomOutPointer:
        navigate(navigator, [](ScaleHandler &n) { n.ZoomOut(); });
        break;
    case PanPointer:
        map.SetMousePointer(PanningPointer);
        navigate(navigator, [](ScaleHandler &n) { n.Pan(); });
        map.SetMousePointer(PanPointer);
        break;
    case InfoPointer:
        if (map.LayerCount() > 0)
            Info(context, map.ToMapPoint(x, y));
        break;
    default:
        break;
    }
}

} // namespace

int SelectedToolPointer(const ViewContext &context)
{
    for (const auto &[button, pointer] : context.tools) {
        if (button && button->isChecked())
            return pointer;
    }
    return 0;
}

void ConnectMapTools(MainWidgets &widgets, MapWidget &map, ViewContext &context)
{
    for (const ToolEntry &entry : toolEntries) {
        QAction *button = widgets.buttons.value(QString::fromLatin1(entry.button));
        for (const auto &[toolButton, pointer] : context.tools) {
            if (toolButton == button)
                connectTool(button, widgets.menuEntries.value(QString::fromLatin1(entry.menuEntry)),
                            pointer, map);
        }
    }
    map.SetMousePointer(SelectedToolPointer(context));
    ScaleHandler &navigator = *context.navigator;
    navigator.SethDC(map.screen());
    connectCommand(widgets, "FullExtent", "mnuFull", map,
                   [](ScaleHandler &n) { n.FullExtent(); }, navigator);
    connectCommand(widgets, "PrevExtent", "mnuPrev", map,
                   [](ScaleHandler &n) { n.PreviousExtent(); }, navigator);
    // The step zooms have no button of their own; their keys are the desktop's zoom keys.
    const auto stepZoom = [&navigator](float factor) {
        navigate(navigator, [factor](ScaleHandler &n) {
            float f = factor;
            n.StepZoom(f);
        });
    };
    if (QAction *in = widgets.buttons.value(QStringLiteral("InZoom")))
        QObject::connect(in, &QAction::triggered, &map, [stepZoom] { stepZoom(0.6f); });
    if (QAction *out = widgets.buttons.value(QStringLiteral("OutZoom")))
        QObject::connect(out, &QAction::triggered, &map, [stepZoom] { stepZoom(1.6f); });
    QObject::connect(&map, &MapWidget::MouseDown, &map,
                     [&map, &context](int button, int, double x, double y) {
                         if (button == 1)
                             mouseDown(map, context, x, y);
                     });
}
