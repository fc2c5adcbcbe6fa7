#include "app/output/printcommand.h"

#include "app/driver/showmessage.h"
#include "app/files/messagetable.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QPrintDialog>
#include <QWidget>

namespace {

constexpr double PaperFactor = 5.0;
constexpr int errPrinter = 482;

} // namespace

PaperLines::PaperLines(const PrintInput &input)
{
    if (!input.map || input.thematicLayer < 0 || input.thematicLayer >= input.map->LayerCount())
        return;
    const std::shared_ptr<MapLayer> layer = input.map->Layer(input.thematicLayer);
    if (input.circleMap) {
        if (layer->Symbol().Size > 1) {
            m_layer = layer;
            m_layerSize = layer->Symbol().Size;
            layer->Symbol().Size *= PaperFactor;
        }
        return;
    }
    m_renderer = layer->Renderer();
    if (!m_renderer)
        return;
    for (int i = 0; i < m_renderer->SymbolCount(); ++i) {
        MapSymbol &symbol = m_renderer->Symbol(i);
        if (symbol.Size > 1 && symbol.Outline) {
            m_classSizes.append({i, symbol.Size});
            symbol.Size *= PaperFactor;
        }
    }
}

PaperLines::~PaperLines()
{
    if (m_layer)
        m_layer->Symbol().Size = m_layerSize;
    for (const auto &[index, size] : m_classSizes) {
        if (index < m_renderer->SymbolCount())
            m_renderer->Symbol(index).Size = size;
    }
}

void PrintMapOnPaper(QPrinter &printer, const PrintInput &input)
{
    if (!input.map)
        return;
    const PaperLines widened(input);
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    if (!input.map->PrintMap(printer, QStringLiteral("Chorel"), landscape))
        throw RunTimeError(errPrinter, input.map->LastError(), QStringLiteral("Chorel"));
}

PrintCommand::PrintCommand(QWidget *parent) : QObject(parent), m_parent(parent)
{
    setObjectName(QStringLiteral("PrintCommand"));
}

QPrinter &PrintCommand::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void PrintCommand::run(const PrintInput &input)
{
    printer().setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer(), m_parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setWindowTitle(MessageText(QStringLiteral("PrintTitle")));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        PrintMapOnPaper(printer(), input);
    } catch (const RunTimeError &error) {
        ShowMessage(QStringLiteral("Chorel (mnuPrint)"), 16, error);
    }
}
