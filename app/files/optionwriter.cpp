#include "app/files/optionfile.h"

#include "app/runtime/chorelglobals.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "contracts/mapcontrol.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString line(const QString &key, const QString &value) {
    return key + u'=' + value + CRLF;
}
QString line(const QString &key, double value) {
    return line(key, FormatOptionNumber(value));
}
QString whole(long long value) {
    return QString::number(value);
}

QString dataSection(const OptionFileSource &source) {
    // The full path, so that the file names its statistics file wherever it is opened from.
    const QString dataFile =
        source.DataFile.isEmpty() ? QString() : QFileInfo(source.DataFile).absoluteFilePath();
    return QStringLiteral("[DATA]") + CRLF + line(QStringLiteral("Source"), dataFile) +
           line(QStringLiteral("Value"), whole(source.SelectedValue)) +
           line(QStringLiteral("Geo"), source.MapIniName) +
           line(QStringLiteral("Map"), whole(source.SelectedMap)) +
           (source.Projection.isEmpty() ? QString()
                                        : line(QStringLiteral("Projection"), source.Projection)) +
           CRLF;
}

QString extentSection(const MapRectangle &extent) {
    return QStringLiteral("[EXTENT]") + CRLF + line(QStringLiteral("Left"), extent.Left) +
           line(QStringLiteral("Right"), extent.Right) + line(QStringLiteral("Top"), extent.Top) +
           line(QStringLiteral("Bottom"), extent.Bottom) + CRLF;
}

QString circleSection(const OptionFileSource &source) {
    return QStringLiteral("Type=CIRCLE") + CRLF + CRLF + QStringLiteral("[CIRCLE]") + CRLF +
           line(QStringLiteral("Percent"), double(*source.CirclePercent)) +
           line(QStringLiteral("Color"), whole(source.State->SymbolColor)) +
           line(QStringLiteral("Null"), whole(source.Values->NullValue));
}

// The [CHOROPLET] block: N is the renderer's break count; Class1 .. Class(N - 1) are its
// breaks 1 .. N - 1 and ClassN the upper bound, so the classes read back as the same breaks.
QString choropletSection(const OptionFileSource &source, const ClassBreaksRenderer &renderer) {
    const ViewValues &values = *source.Values;
    const int n = renderer.BreakCount();
    QString text = QStringLiteral("Type=CHOROPLET") + CRLF + CRLF + QStringLiteral("[CHOROPLET]") +
                   CRLF + line(QStringLiteral("ShowNoData"), whole(values.ShowNoData ? 1 : 0)) +
                   line(QStringLiteral("Null"), whole(values.NullValue)) +
                   line(QStringLiteral("NullColor"), whole(renderer.Symbol(0).Color)) +
                   line(QStringLiteral("Classes"), whole(n)) +
                   line(QStringLiteral("RampColors"), whole(values.RampFlag ? 1 : 0));
    if (values.RampFlag) {
        text += line(QStringLiteral("StartColor"), whole(source.State->StartColor)) +
                line(QStringLiteral("EndColor"), whole(source.State->EndColor));
    } else {
        for (int i = 1; i <= n; ++i)
            text +=
                line(QStringLiteral("Color") + QString::number(i), whole(renderer.Symbol(i).Color));
    }
    const double dataMin = values.Statistics ? values.Statistics->Min : values.Minimum;
    const double dataMax = values.Statistics ? values.Statistics->Max : values.Maximum;
    text += line(QStringLiteral("MinVal"), std::max(dataMin, values.LowerBound));
    for (int i = 1; i <= n - 1; ++i)
        text += line(QStringLiteral("Class") + QString::number(i), renderer.Break(i));
    if (n >= 1)
        text += line(QStringLiteral("Class") + QString::number(n),
                     std::max(dataMax, values.UpperBound));
    return text;
}

std::shared_ptr<ClassBreaksRenderer> thematicRenderer(const OptionFileSource &source) {
    const int index = source.Values->ThematicLayer;
    if (!source.Map || index < 0 || index >= source.Map->LayerCount())
        return nullptr;
    const auto layer = source.Map->Layer(index);
    return layer ? layer->Renderer() : nullptr;
}

// Converts a "description|pattern|..." filter of the message table into a file-dialog filter.
QString dialogFilter(const QString &filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts.at(i + 1);
        pattern.replace(u';', u' ');
        filters.append(parts.at(i).contains(u'(')
                           ? parts.at(i)
                           : parts.at(i) + QStringLiteral(" (") + pattern + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace

QString FormatOptionNumber(double value) {
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest).trimmed();
    if (Globals().DecimalChar == 44)
        text.replace(u'.', u',');
    return text;
}

bool CreateTQO(const OptionFileSource &source, const QString &outputPath) {
    Q_ASSERT(source.State && source.Values);
    QString text = dataSection(source);
    text += extentSection(source.Map ? source.Map->Extent() : MapRectangle());
    text += QStringLiteral("[SYMBOLIC]") + CRLF;
    // The labels only when they were chosen: a file of a map without them stays as before.
    if (source.State->Labels)
        text += QStringLiteral("Labels=") + LabelModeName(*source.State->Labels) + CRLF;
    if (source.CirclePercent && source.State->CircleMap) {
        text += circleSection(source);
    } else {
        const auto renderer = thematicRenderer(source);
        if (!renderer) {
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
            ShowMessage(QStringLiteral("Chorel (CreateTQO)"), 16,
                        MessageText(QStringLiteral("CantCreateTQO")));
            return false;
        }
        text += choropletSection(source, *renderer);
    }

    QSaveFile file(outputPath + QStringLiteral(".tqo"));
    if (!file.open(QIODevice::WriteOnly) || file.write((text + CRLF).toUtf8()) < 0 ||
        !file.commit()) {
        ShowMessage(QStringLiteral("Chorel (CreateTQO)"), 16,
                    RunTimeError(75,
                                 QStringLiteral("Path/File access error: ") + file.errorString(),
                                 QStringLiteral("Chorel")));
        return false;
    }
    return true;
}

void mnuSaveAs(QWidget *parent, const OptionFileSource &given) {
    // The dialog changes the current folder: a relative statistics file path is made full
    // before it does.
    OptionFileSource source = given;
    if (!source.DataFile.isEmpty())
        source.DataFile = QFileInfo(source.DataFile).absoluteFilePath();
    QString title = MessageText(QStringLiteral("SaveasTitle"));
    QString filter = MessageText(QStringLiteral("SaveFilter"));
    QFileDialog dialog(parent, title.isEmpty() ? QStringLiteral("Save as") : title,
                       QDir::currentPath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(
        dialogFilter(filter.isEmpty() ? QStringLiteral("Chorel file (*.tqo)|*.tqo") : filter));
    dialog.setDefaultSuffix(QStringLiteral("tqo"));
    dialog.selectFile(QFileInfo(source.DataFile).completeBaseName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    QDir::setCurrent(chosen.absolutePath());
    QString base = chosen.fileName();
    if (base.endsWith(QStringLiteral(".tqo"), Qt::CaseInsensitive))
        base.chop(4);
    if (base.isEmpty())
        return;
    CreateTQO(source, chosen.absolutePath() + u'/' + base);
}
