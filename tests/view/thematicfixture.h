#pragma once

#include "mainwindowfixture.h"

#include "contracts/mapsymbol.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>

class ClassBreaksRenderer;
class MapSession;
class QComboBox;
class frmClassification;

// The main window on a statistics file (MainWindowFixture) with what the tests of the thematic
// settings dialog need: the dialog opened on the shown map, the main map's picture painted or
// exported, and the option file Save as would write.
class ThematicFixture : public MainWindowFixture {
public:
    // Starts on the births of North Carolina as a choropleth map made with --method natural
    // --classes 5 (drawn with the two-colour ramp); false when the map did not appear.
    bool startOnNaturalBirths();
    MapSession &session();

    // The dialog on the shown map; every colour box it opens answers dark green.
    std::unique_ptr<frmClassification> dialog();
    // The main map painted as the window shows it.
    QImage picture();
    // The main map exported as a PNG file (name.png in the program folder) and read back.
    QImage exported(const QString &name);
    // The pixel of the exported map at a point given in map units.
    QColor colourAt(const QImage &map, double x, double y) const;
    // Writes the option file name.tqo of the shown map as Save as does; its text, or empty
    // when it could not be written.
    QString optionFile(const QString &name);
};

// Chooses the entry of box with that text as the user does (the box's activated signal).
void Choose(QComboBox *box, const QString &text);

// The colours of the data classes 1 .. BreakCount of renderer.
QList<MapColor> ClassColours(const ClassBreaksRenderer &renderer);
