#include "app/output/exportcommand.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/output/imageexport.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// The folder the last export went to; the dialog opens there next time (the program's own
// current folder stays as it is, since relative paths of the command line depend on it).
QString &lastFolder()
{
    static QString folder = QDir::currentPath();
    return folder;
}

QString askForFile(QWidget *parent, const QString &dataFile)
{
    QFileDialog dialog(parent, MessageText(QStringLiteral("ExportTitle")), lastFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters(DialogFilters(MessageText(QStringLiteral("ExportFilter"))) +
                          DialogFilters(MessageText(QStringLiteral("VectorExportFilter"))));
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    // A name typed without an extension gets the one of the file type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &filter) {
                         const QString suffix = SuffixOfFilter(filter);
                         if (!suffix.isEmpty())
                             dialog.setDefaultSuffix(suffix);
                     });
    dialog.selectFile(QFileInfo(dataFile).completeBaseName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QStringList DialogFilters(const QString &filter)
{
    // Pairs of description and pattern; the description already shows the pattern.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        filters.append(parts.at(i));
    return filters;
}

QString SuffixOfFilter(const QString &filter)
{
    const qsizetype star = filter.lastIndexOf(QStringLiteral("(*."));
    const qsizetype end = filter.indexOf(u')', star);
    return star < 0 || end < 0 ? QString() : filter.mid(star + 3, end - star - 3);
}

bool ExportToChosenFile(const ExportCommandInput &input, const QString &path)
{
    const QFileInfo chosen(path);
    lastFolder() = chosen.absolutePath();
    const OutputName name = SplitOutputName(chosen.absoluteFilePath());
    const std::optional<ImageFormat> format = ImageFormatOf(name.extension);
    if (!format) {
        ShowMessage(QStringLiteral("Chorel"), 64, MessageText(QStringLiteral("WrongExtension")));
        return false;
    }
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ImageExport exporter(*input.map, *input.legend);
        exporter.setExportScale(input.exportScale);
        exporter.setMetafileToClipboard(true);
        exporter.Export(name.base, *format);
        QApplication::restoreOverrideCursor();
    } catch (const RunTimeError &error) {
        QApplication::restoreOverrideCursor();
        ShowMessage(QStringLiteral("Chorel (mnuExport)"), 16, error);
        return false;
    }
    return true;
}

void mnuExport(QWidget *parent, const ExportCommandInput &input)
{
    if (!input.map || !input.legend)
        return;
    const QString path = askForFile(parent, input.dataFile);
    // The dialog may have covered the map: draw it again before the export.
    input.map->Refresh();
    if (path.isEmpty())
        return;
    ExportToChosenFile(input, path);
}
