#pragma once

#include "app/output/sheet.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QPrinter>

#include <memory>

class ClassBreaksRenderer;
class LegendControl;
class MapControl;
class MapLayer;
class QWidget;

// What is printed: the map, its thematic layer (-1 without a map) and whether it shows
// circles; for the layout with title, legend and source also the legend and the texts.
struct PrintInput {
    MapControl *map = nullptr;
    int thematicLayer = -1;
    bool circleMap = false;
    LegendControl *legend = nullptr;
    SheetTexts texts;
};

// What a print holds: the map alone, or the map with title, legend and source line laid out
// as the sheet of a batch run (--sheet).
enum class PrintLayout { MapOnly, Sheet };

// Lines that are thin on screen nearly vanish on paper: while a PaperLines lives, the outlines
// of the thematic layer wider than 1 are five times as wide (the layer's own symbol of a circle
// map; every class symbol with its outline shown of a choropleth map). Its end restores every
// width it changed, whatever way the printing ended.
class PaperLines {
public:
    explicit PaperLines(const PrintInput &input);
    ~PaperLines();
    PaperLines(const PaperLines &) = delete;
    PaperLines &operator=(const PaperLines &) = delete;

private:
    std::shared_ptr<MapLayer> m_layer;                 // whose own symbol was widened
    double m_layerSize = 0.0;
    std::shared_ptr<ClassBreaksRenderer> m_renderer;   // whose class symbols were widened
    QList<QPair<int, double>> m_classSizes;            // symbol index, width before
};

// Prints the map on the printer as the map control prints it (fitted to the page, landscape
// when the printer's orientation is), with the lines widened for paper. Document name
// "Chorel". Raises RunTimeError (482, the map control's reason) when the printer could not
// print; the line widths are restored in every case.
void PrintMapOnPaper(QPrinter &printer, const PrintInput &input);

// Prints the sheet (title, statistic, map, legend and source line) on one page, as large as
// the page allows with its proportions kept, the lines widened for paper as above. Raises
// RunTimeError 482 when the printer cannot be started.
void PrintSheetOnPaper(QPrinter &printer, const PrintInput &input);

// File, Print: the print dialog (title "Print" of the message table, landscape, no selection,
// no page numbers; printing to a PDF file stays offered), then the map on the chosen printer.
// The dialog's options offer the layout: the map only, or the map with title, legend and
// source; the choice is remembered in the settings store for the next print and the next
// start. Cancel prints nothing. A failure is reported with the caption "Chorel (mnuPrint)".
// The printer and the user's choices in the dialog are kept for the next print.
//
// The dialog never changes the desktop's default printer here, so there is no default to
// remember and restore around it, and no system setting to write or announce.
class PrintCommand : public QObject {
    Q_OBJECT
public:
    explicit PrintCommand(QWidget *parent);

    // Made when first needed: making a printer asks the print system for its printers, which
    // costs every start (a batch run never prints) tens of milliseconds, more on a slow
    // network.
    QPrinter &printer();
    void run(const PrintInput &input);
    // The layout the next print uses (the one chosen last).
    PrintLayout layout() const;
    void setLayout(PrintLayout layout);

private:
    QWidget *m_parent;
    std::unique_ptr<QPrinter> m_printer;
};
