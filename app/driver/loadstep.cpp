#include "app/runtime/chorelglobals.h"
#include "app/runtime/logfile.h"
#include "app/driver/mainform.h"
#include "app/runtime/searchorder.h"
#include "app/runtime/showmessage.h"
#include "app/files/languagefile.h"
#include "app/runtime/messagetable.h"
#include "app/output/exportnames.h"

#include <QCoreApplication>
#include <QDir>

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

// The load step, run once before the window is first shown.
void MainForm::Load()
{
    m_state.HelpFile = QDir(ProgramFolder()).filePath(QStringLiteral("Chorel.html"));
    if (m_state.QuitRequested)
        return;
    m_tmStart.stop();
    m_state.QuitRequested = false;
    m_state.StartError = false;

    m_workFolder = std::make_unique<WorkFolder>(QDir::tempPath(), QCoreApplication::applicationPid());
    m_state.WorkFolder = m_workFolder->Prepare();
    Globals().LogFile = DefaultLogFile();
    SetDefaultTexts();

    ApplyOptionSwitches();
    CheckDataFiles();
    m_state.OutputFile = OutputPathOf(m_commandLine.value(u'o'));
    m_state.BatchMode = !m_state.OutputFile.isEmpty();
    CheckLanguageFile();

    // The lone ".tqo" argument names the option file, which names the statistics file.
    if (!m_commandLine.bareOptionFile.isEmpty()) {
        m_state.OptionFile = m_commandLine.bareOptionFile;
        if (m_state.Util.FileExists(m_state.OptionFile)) {
            m_state.DataFile = SourceOfOptionFile(m_state.OptionFile);
            if (m_state.DataFile.isEmpty())
                m_state.OptionFile.clear();
        } else {
            m_state.OptionFile.clear();
        }
    }

    BuildColor(m_state.colColorMap);
    m_state.NumClasses = 4;
    m_state.ClassType = 1;

    if (!InstallTexts()) {
        m_state.QuitRequested = true;
        if (m_state.BatchMode)
            EndProgram(1);
        return;
    }
    if (m_state.BatchMode)
        m_state.MapTypeFixed = true;
    if (m_state.WorkFolder.isEmpty()) {
        // Not a missing file: the working folder cannot be made, and the reason says why.
        const QString text =
            QStringLiteral("The working folder %1 cannot be made: %2")
                .arg(QDir::toNativeSeparators(QDir(QDir::tempPath()).filePath(
                         WorkFolder::FolderName(QCoreApplication::applicationPid()))),
                     m_workFolder->problem());
        m_state.QuitRequested = m_state.BatchMode;
        if (m_state.BatchMode) {
            ReportBatchFailure(text);
            EndProgram(1);
        } else {
            ShowMessage(QStringLiteral("Chorel"), 16, text);
        }
        return;
    }
    if (m_state.StartError) {
        ReportStartError();
        return;
    }
    if (m_state.BatchMode) {
        // an output that can't be written ends the run before the work it would waste
        const QString problem = OutputPathProblem(m_commandLine.value(u'o'));
        if (!problem.isEmpty()) {
            ReportBatchFailure(problem);
            m_state.QuitRequested = true;
            EndProgram(1);
            return;
        }
    }
    m_tmStart.start();
}

// /c and /s.
void MainForm::ApplyOptionSwitches()
{
    m_state.CircleMap = false;
    m_state.MapTypeFixed = false;
    if (m_commandLine.has(u'c')) {
        m_state.MapTypeFixed = true;
        m_state.CircleMap =
            m_commandLine.value(u'c').compare(QStringLiteral("circle"), Qt::CaseInsensitive) == 0;
    }
    Globals().ExportScale = ExportScaleOf(m_commandLine.value(u's'));
}

// /f and /m; the option file supplies the statistics file when /f is absent.
void MainForm::CheckDataFiles()
{
    m_state.DataFile = m_commandLine.value(u'f');
    if (!m_state.DataFile.isEmpty() && !m_state.Util.FileExists(m_state.DataFile)) {
        m_state.StartErrorText = m_state.DataFile;
        m_state.StartError = true;
        m_state.DataFile.clear();
    }
    if (m_state.DataFile.isEmpty())
        EnableMapCommands(false);

    m_state.OptionFile = m_commandLine.value(u'm');
    if (!m_state.OptionFile.isEmpty() && !m_state.Util.FileExists(m_state.OptionFile)) {
        m_state.StartErrorText = m_state.OptionFile;
        m_state.StartError = true;
        m_state.OptionFile.clear();
    }
    if (m_state.OptionFile.isEmpty() || !m_state.DataFile.isEmpty())
        return;
    m_state.DataFile = SourceOfOptionFile(m_state.OptionFile);
    if (m_state.DataFile.isEmpty()) {
        m_state.StartErrorText = QStringLiteral("for data information in ") + m_state.OptionFile;
        m_state.StartError = true;
        m_state.OptionFile.clear();
    } else if (!m_state.Util.FileExists(m_state.DataFile)) {
        m_state.StartErrorText = m_state.DataFile;
        m_state.StartError = true;
        m_state.DataFile.clear();
    }
}

// [DATA] Source of an option file (searchorder.h says where it is looked for). Names made
// on Windows are matched without regard to letter case.
QString MainForm::SourceOfOptionFile(const QString &optionFile) const
{
    const QString source = m_state.Util.ReadIniFile(optionFile, QStringLiteral("DATA"),
                                                    QStringLiteral("Source"));
    if (source.isEmpty())
        return QString();
    return StatisticsFileOfOption(optionFile, source);
}

// /l: a missing language file is reported and the program goes on in English.
void MainForm::CheckLanguageFile()
{
    m_state.LanguageFile = m_commandLine.value(u'l');
    if (m_state.LanguageFile.isEmpty() || m_state.Util.FileExists(m_state.LanguageFile))
        return;
    const QString text = MessageText(QStringLiteral("MissingFile")) + u' ' +
                         m_state.LanguageFile + CRLF +
                         QStringLiteral("The program continues using English");
    m_state.LanguageFile.clear();
    if (m_state.BatchMode)
        WriteBatchLog(text);
    else
        ShowMessage(QStringLiteral("Chorel Language File"), 64, text);
}

// The English texts with the table builder's messages, or the language file.
bool MainForm::InstallTexts()
{
    m_state.TableBuilderMessages.clear();
    const ErrorMsgRegistrar keep = [this](const QString &text, const QString &tag) {
        m_state.TableBuilderMessages.append({text, tag});
    };
    bool ok = true;
    if (m_state.LanguageFile.isEmpty())
        SetDefaultTexts(keep);
    else
        ok = ReadLanguage(m_state.LanguageFile, keep);
    m_parts.applyTexts(m_widgets, Messages());
    return ok;
}

// A named file is missing: batch runs log it and end with exit code 1; interactively the
// user is told and the window stays open without a map.
void MainForm::ReportStartError()
{
    const QString text = MessageText(QStringLiteral("MissingFile")) + u' ' + m_state.StartErrorText;
    if (m_state.BatchMode) {
        ReportBatchFailure(text);
        m_state.QuitRequested = true;
        EndProgram(1);
        return;
    }
    ShowMessage(QStringLiteral("Chorel"), 64, text);
}
