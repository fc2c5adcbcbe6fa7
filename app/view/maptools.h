#pragma once

struct MainWidgets;
struct ViewContext;
class MapWidget;

// The map tools of the main window: the buttons "ZoomIn", "ZoomOut", "Pan" and "Info" and
// their menu entries select the tool (the map pointer follows, the menu entry carries the
// check mark); a mouse button pressed on the map runs the selected tool through the
// navigator, or shows the information of the region clicked; "FullExtent" and "PrevExtent"
// and their menu entries show the full or the previous extent; "InZoom" and "OutZoom" step
// the zoom by 0.6 and 1.6. The navigator measures the screen the map is shown on.
void ConnectMapTools(MainWidgets &widgets, MapWidget &map, ViewContext &context);

// The map pointer of the first pressed tool button, tested in the order "ZoomIn", "ZoomOut",
// "Pan", "Info"; 0 when none is pressed.
int SelectedToolPointer(const ViewContext &context);
