#pragma once

#include "app/driver/windowparts.h"

// The main window's parts as the program has them: the layout's menus, toolbar, status bar
// and panes, the About box, the help page, and the open, map-definition and map-type dialogs.
WindowParts StandardWindowParts();
