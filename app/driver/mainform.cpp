#include "app/driver/mainform.h"

#include "app/runtime/chorelglobals.h"
#include "app/driver/classswitches.h"
#include "app/driver/pipeline.h"
#include "app/runtime/screenfit.h"
#include "app/runtime/showmessage.h"
#include "app/files/optionfile.h"
#include "app/output/exportcommand.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/frmclassification.h"
#include "app/view/mapsession.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>

#include <cstdio>
#include <utility>

MainForm::MainForm(ParsedCommandLine commandLine, WindowParts parts, QWidget *parent)
    : QMainWindow(parent), m_commandLine(std::move(commandLine)), m_parts(std::move(parts))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Chorel"));
    m_parts.build(*this, m_widgets);
    // The size the user left the window at, fitted to the screen it opens on. A batch run
    // (an output file named) draws at the window's own size, whatever the screen and the
    // user's last window, so that its pictures do not depend on them.
    if (m_commandLine.value(u'o').isEmpty()) {
        RestoreWindowSize(this, QStringLiteral("Main"), QSize(1040, 720));
        RestoreSplitter(m_widgets.imgSplitter, QStringLiteral("MainSplitter"));
        RestoreSplitter(m_widgets.imglgdSplitter, QStringLiteral("LegendSplitter"));
        RestoreSplitter(m_widgets.imgMapSplitter, QStringLiteral("ListSplitter"));
    } else {
        resize(1040, 720);
    }
    m_session = std::make_unique<MapSession>(m_widgets, this);
    ConnectViewCommands();
    ConnectOutputCommands();
    connect(menuEntry(QStringLiteral("mnuExit")), &QAction::triggered, this, &QWidget::close);
    connect(menuEntry(QStringLiteral("mnuAbout")), &QAction::triggered, this,
            [this] { m_parts.showAbout(this); });
    m_parts.connectHelp(menuEntry(QStringLiteral("mnuContents")), &m_state.HelpFile);

    m_tmStart.setObjectName(QStringLiteral("tmStart"));
    m_tmStart.setSingleShot(true);
    m_tmStart.setInterval(10);
    connect(&m_tmStart, &QTimer::timeout, this, &MainForm::tmStart_Timer);

    ValidateSwitches();
}

MainForm::~MainForm() = default;

void MainForm::RemoveWorkFolder()
{
    m_session->MapReader.EndProjection(); // its thread may still write there
    m_workFolder.reset();
}

// File, Open, File, Save as and File, Export, from the menu and the toolbar.
void MainForm::ConnectViewCommands()
{
    const auto open = [this] { mnuOpen(*this); };
    const auto saveAs = [this] {
        OptionFileSource source;
        source.DataFile = m_state.DataFile;
        source.MapIniName = m_session->MapIniName;
        source.SelectedValue = m_session->State.CurrentColumn;
        source.SelectedMap = m_session->State.CurrentMap;
        source.Projection = m_session->MapReader.ProjectionDefinition(source.SelectedMap);
        source.Map = m_session->Map;
        source.State = &m_session->State;
        source.Values = &m_session->Values;
        if (m_session->Values.SymbolDrawer)
            source.CirclePercent = m_session->Values.SymbolDrawer->CirclePercent;
        mnuSaveAs(this, source);
    };
    connect(menuEntry(QStringLiteral("mnuOpen")), &QAction::triggered, this, open);
    connect(toolButton(QStringLiteral("Open")), &QAction::triggered, this, open);
    connect(menuEntry(QStringLiteral("mnuSaveAs")), &QAction::triggered, this, saveAs);
    connect(toolButton(QStringLiteral("Save")), &QAction::triggered, this, saveAs);
    // File, Export: map, legend and legend image as image files.
    const auto exportImages = [this] {
        ExportCommandInput input;
        input.map = m_session->Map;
        input.legend = m_session->Legend;
        input.dataFile = m_state.DataFile;
        input.exportScale = Globals().ExportScale;
        mnuExport(this, input);
    };
    connect(menuEntry(QStringLiteral("mnuExport")), &QAction::triggered, this, exportImages);
    connect(toolButton(QStringLiteral("Export")), &QAction::triggered, this, exportImages);
    // View, Thematic map, the "TemaMap" button and an action on legend entry 0: the thematic
    // settings dialog.
    const auto theme = [this] { ShowThematicDialog(m_session->Context, m_state.WorkFolder, this); };
    connect(menuEntry(QStringLiteral("mnuTheme")), &QAction::triggered, this, theme);
    connect(toolButton(QStringLiteral("TemaMap")), &QAction::triggered, this, theme);
    connect(m_session->Legend, &LegendWidget::EntryActivated, this, [theme](int entry) {
        if (entry == 0)
            theme();
    });
}

// The user's decimal symbol, then the switches: anything that is not a known switch or its
// value ends the program with the usage text; a classification switch with a value that is
// not valid ends it naming the valid values.
void MainForm::ValidateSwitches()
{
    const QString decimal = m_state.Util.GetRegKeyValue(
        CKbUtil::HKEY_CURRENT_USER, QStringLiteral("Control Panel\\International"),
        QStringLiteral("sDecimal"));
    if (decimal == QStringLiteral("."))
        Globals().DecimalChar = 46;
    else if (decimal == QStringLiteral(","))
        Globals().DecimalChar = 44;

    m_state.CommandLine = m_commandLine.commandLine;
    QString text;
    if (m_commandLine.valid()) {
        ClassSwitches classes = ReadClassSwitches(m_commandLine);
        if (classes.error.isEmpty())
            classes.error = ProjectionSwitchError(m_commandLine);
        const DressingSwitches dressing = ReadDressingSwitches(m_commandLine);
        if (classes.error.isEmpty() && dressing.error.isEmpty()) {
            ApplyClassSwitches(classes, m_state);
            ApplyDressingSwitches(dressing, m_state);
            return;
        }
        QStringList errors;
        for (const QString &error : {classes.error, dressing.error})
            if (!error.isEmpty())
                errors << error;
        text = errors.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    } else {
        text = InvalidSwitchText(m_commandLine.longSwitchesWritten);
    }
    ShowMessage(QStringLiteral("Chorel"), 64, text);
    if (!BatchMessages() && HasDisplay()) {
        QString plain = text;
        std::fprintf(stderr, "%s", qUtf8Printable(plain.remove(u'\r')));
    }
    m_state.QuitRequested = true;
    m_state.ExitCode = 2;
}

QString MainForm::panelText(const QString &key) const
{
    const QLabel *panel = m_widgets.panels.value(key);
    return panel ? panel->text() : QString();
}

void MainForm::setPanelText(const QString &key, const QString &text)
{
    if (QLabel *panel = m_widgets.panels.value(key)) {
        panel->setText(text);
        panel->setToolTip(text);
    }
}

void MainForm::EnableMapCommands(bool enable)
{
    for (const char *name : {"mnuSaveAs", "mnuPrint", "mnuInfo", "mnuExport", "mnuTheme"})
        menuEntry(QString::fromLatin1(name))->setEnabled(enable);
    m_widgets.menus.value(QStringLiteral("mnuEdit"))->menuAction()->setEnabled(enable);
    for (const char *key : {"Export", "Copy", "TemaMap", "Info", "Print", "Save"})
        toolButton(QString::fromLatin1(key))->setEnabled(enable);
}

// An interactive window remembers its size and the positions of its splitters; a batch run
// shows no window and changes nothing.
void MainForm::closeEvent(QCloseEvent *event)
{
    if (!m_state.BatchMode && isVisible()) {
        SaveWindowSize(this, QStringLiteral("Main"));
        SaveSplitter(m_widgets.imgSplitter, QStringLiteral("MainSplitter"));
        SaveSplitter(m_widgets.imglgdSplitter, QStringLiteral("LegendSplitter"));
        SaveSplitter(m_widgets.imgMapSplitter, QStringLiteral("ListSplitter"));
    }
    QMainWindow::closeEvent(event);
}

void MainForm::EndProgram(int exitCode)
{
    m_state.ExitCode = exitCode;
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [exitCode] { QCoreApplication::exit(exitCode); });
}

void MainForm::tmStart_Timer()
{
    m_tmStart.stop();
    if (m_state.QuitRequested) {
        EndProgram(m_state.ExitCode);
        close();
        return;
    }
    try {
        RunPipeline(*this);
    } catch (const RunTimeError &error) {
        ShowMessage(QStringLiteral("Chorel (tmStart)"), 16, error);
        if (m_state.BatchMode)
            EndProgram(1);
    }
}
