#include "app/layout/standardwindow.h"

#include "app/dialogs/frmmaptype.h"
#include "app/dialogs/frmopendialog.h"
#include "app/dialogs/mapdefinitionchooser.h"
#include "app/layout/aboutdialog.h"
#include "app/layout/helppage.h"
#include "app/layout/windowbuild.h"

WindowParts StandardWindowParts()
{
    WindowParts parts;
    parts.build = [](QMainWindow &window, MainWidgets &widgets) {
        BuildMenus(window, widgets);
        BuildToolbar(window, widgets);
        BuildStatusBar(window, widgets);
        BuildPanes(window, widgets);
    };
    parts.applyTexts = &ApplyTexts;
    parts.showAbout = &ShowAboutDialog;
    parts.connectHelp = &ConnectHelpContents;
    parts.chooseStatisticsFile = &frmOpenDialog::Choose;
    parts.chooseMapDefinition = &MapDefinitionChooser::Choose;
    parts.chooseMapType = [](QWidget *parent, bool &circleMap, const QString &caption,
                             const QString &choropleth, const QString &circles) {
        frmMapType::Choose(parent, circleMap, caption, choropleth, circles);
    };
    return parts;
}
