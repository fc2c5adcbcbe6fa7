#include "app/output/printcommand.h"

#include "app/runtime/screenfit.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/output/pictures.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QPainter>
#include <QPrintDialog>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

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

void PrintSheetOnPaper(QPrinter &printer, const PrintInput &input)
{
    if (!input.map || !input.legend)
        return;
    const PaperLines widened(input);
    printer.setDocName(QStringLiteral("Chorel"));
    const QSizeF page = printer.pageRect(QPrinter::DevicePixel).size();
    const QRect content = MapContentRect(*input.map);
    const QSizeF legendSize = input.legend->LegendSize();
    // As wide as the page; lower where the sheet would be taller than the page.
    double factor = SheetFactorForWidth(content.size(), legendSize, input.texts,
                                        std::max(1, int(page.width())));
    const QSize size = LayOutSheet(content.size(), legendSize, input.texts, factor).size;
    if (size.height() > page.height())
        factor *= page.height() / size.height();
    const Picture sheet = SheetPicture(*input.map, *input.legend, input.texts, factor);
    QPainter painter;
    if (!painter.begin(&printer))
        throw RunTimeError(errPrinter, QStringLiteral("The printer could not be started"),
                           QStringLiteral("Chorel"));
    painter.translate(std::max(0.0, (page.width() - sheet.size.width()) / 2.0), 0.0);
    sheet.paint(painter);
    painter.end();
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
    // The layout, on a page of the dialog's options.
    auto *options = new QWidget;
    options->setObjectName(QStringLiteral("PrintLayout"));
    options->setWindowTitle(MessageText(QStringLiteral("PrintLayout")));
    auto *mapOnly = new QRadioButton(MessageText(QStringLiteral("PrintMapOnly")), options);
    mapOnly->setObjectName(QStringLiteral("optMapOnly"));
    auto *sheet = new QRadioButton(MessageText(QStringLiteral("PrintSheet")), options);
    sheet->setObjectName(QStringLiteral("optSheet"));
    (layout() == PrintLayout::Sheet ? sheet : mapOnly)->setChecked(true);
    auto *column = new QVBoxLayout(options);
    column->addWidget(mapOnly);
    column->addWidget(sheet);
    column->addStretch(1);
    dialog.setOptionTabs({options});
    if (dialog.exec() != QDialog::Accepted)
        return;
    setLayout(sheet->isChecked() ? PrintLayout::Sheet : PrintLayout::MapOnly);
    try {
        if (layout() == PrintLayout::Sheet && input.legend)
            PrintSheetOnPaper(printer(), input);
        else
            PrintMapOnPaper(printer(), input);
    } catch (const RunTimeError &error) {
        ShowMessage(QStringLiteral("Chorel (mnuPrint)"), 16, error);
    }
}

PrintLayout PrintCommand::layout() const
{
    return RememberedChoice(QStringLiteral("PrintLayout"), QStringLiteral("Map")) ==
                   QStringLiteral("Sheet")
               ? PrintLayout::Sheet
               : PrintLayout::MapOnly;
}

void PrintCommand::setLayout(PrintLayout layout)
{
    RememberChoice(QStringLiteral("PrintLayout"),
                   layout == PrintLayout::Sheet ? QStringLiteral("Sheet") : QStringLiteral("Map"));
}
