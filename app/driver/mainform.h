#pragma once

#include "app/driver/commandline.h"
#include "app/driver/mainstate.h"
#include "app/driver/windowparts.h"
#include "app/runtime/workfolder.h"
#include "app/view/mainwidgets.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class MapSession;
class QListWidget;
class QProgressBar;
class QTreeWidget;

// The main window. Creating it validates the switches; Load() runs the load step before the
// window is shown; the one-shot timer tmStart then runs the map production pipeline.
class MainForm : public QMainWindow {
    Q_OBJECT

public:
    // The window is built of parts (StandardWindowParts() of the layout for the program).
    MainForm(ParsedCommandLine commandLine, WindowParts parts, QWidget *parent = nullptr);
    ~MainForm() override;

    void Load();

    MainState &state() { return m_state; }
    // The switches the program was started with.
    const ParsedCommandLine &commandLine() const { return m_commandLine; }
    const MainState &state() const { return m_state; }
    MainWidgets &widgets() { return m_widgets; }
    // The parts the window is built of, with the dialogs it asks its questions with.
    const WindowParts &parts() const { return m_parts; }

    // The containers the map control and the legend control are placed into.
    QWidget *mapPane() const { return m_widgets.mapPane; }
    QWidget *legendPane() const { return m_widgets.legendPane; }
    QTreeWidget *mapList() const { return m_widgets.lsvKartdata; }
    QListWidget *statList() const { return m_widgets.lstStatdata; }
    QProgressBar *progressBar() const { return m_widgets.pgbProgress; }
    QAction *menuEntry(const QString &name) const { return m_widgets.menuEntries.value(name); }
    QAction *toolButton(const QString &key) const { return m_widgets.buttons.value(key); }
    QString panelText(const QString &key) const;
    void setPanelText(const QString &key, const QString &text);
    QTimer &tmStart() { return m_tmStart; }
    // The map, the legend and the view of the statistics file shown.
    MapSession &session() { return *m_session; }

    // Enables or disables the commands that need a map: menu entries Save as, Print, Edit,
    // Info, Export and Theme; buttons Export, Copy, TemaMap, Info, Print and Save.
    void EnableMapCommands(bool enable);

    // Ends the program with exitCode once control returns to the event loop.
    void EndProgram(int exitCode);
    // Removes the working folder and releases the instance lock, as the end of the program
    // does; for a batch run that ends without taking the window apart.
    void RemoveWorkFolder();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void ValidateSwitches();
    void ApplyOptionSwitches();
    void CheckDataFiles();
    QString SourceOfOptionFile(const QString &optionFile) const;
    void CheckLanguageFile();
    bool InstallTexts();
    void ReportStartError();
    void tmStart_Timer();
    void ConnectViewCommands();
    void ConnectOutputCommands();

    ParsedCommandLine m_commandLine;
    WindowParts m_parts;
    MainState m_state;
    MainWidgets m_widgets;
    QTimer m_tmStart;
    std::unique_ptr<WorkFolder> m_workFolder;
    std::unique_ptr<MapSession> m_session;
};
