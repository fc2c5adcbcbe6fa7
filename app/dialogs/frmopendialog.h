#pragma once

#include "app/dialogs/folderlister.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

// The program's own chooser for statistics and option files. For the chosen folder it lists
// only the files that Chorel can turn into a map, each with the description found inside it,
// its name, its modification time and its size. A folder is listed a few entries per turn of
// the event loop (FolderLister): clicking another folder closes the running listing before
// the new one starts, and Cancel or closing the window stops it at once.
class frmOpenDialog : public QDialog {
    Q_OBJECT

public:
    explicit frmOpenDialog(QWidget *parent = nullptr);
    ~frmOpenDialog() override;

    // Sets one text of the dialog. Element "ListView": the heading of the column with key
    // ("DescriptionTxt", "FileNameTxt", "DateTxt", "SizeTxt"); "Menu": key "Open" or
    // "Cancel" captions the menu entry and the button; "StatusBar", key "NumFiles": the label
    // before the file count; "Form": the window title. Anything else is ignored.
    void SetCaption(const QString &element, const QString &key, const QString &text);
    // Takes the texts, the accepted extensions (OpenFilter) and the option files' description
    // from the message table.
    void ApplyLanguage();

    void setAcceptedExtensions(const QStringList &extensions);
    // The folder that the Startup timer selects and lists when the dialog is shown.
    void setStartFolder(const QString &folder) { m_startFolder = folder; }

    // Lists folder (after any running listing is closed, from the event loop).
    void ListFolder(const QString &folder);
    // Whether a folder is being listed.
    bool busy() const { return m_lister.busy() || m_pendingListing.isActive(); }
    // The full path of the chosen file; empty after Cancel.
    const QString &chosenFile() const { return m_chosenFile; }
    const QString &currentRoot() const { return m_root; }

    // Shows the dialog modally with the texts of the message table, starting in the folder
    // of the last file opened (at first the process's current folder). Returns the chosen
    // file's full path, or an empty text when the user cancelled.
    static QString Choose(QWidget *parent);

    QComboBox *dlbDrive = nullptr;
    QTreeWidget *tvDir = nullptr;
    QLabel *lblPath = nullptr;
    // A path typed by the user: Enter on a folder shows it in the tree and lists it, Enter on
    // a file of an accepted extension opens it.
    QLineEdit *txtPath = nullptr;
    QTreeWidget *lsvData = nullptr;
    QTreeWidget *lsvBack = nullptr;
    QStatusBar *stbDialog = nullptr;
    QPushButton *cmdOpen = nullptr;
    QPushButton *cmdCancel = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuCancel = nullptr;
    QSplitter *imgSplitter = nullptr;
    QTimer Startup;

    // The label of the status bar panel with key ("NumFiles", "ActiveFile").
    QLabel *panel(const QString &key) const { return m_panels.value(key); }

public slots:
    void cmdOpen_Click();
    void cmdCancel_Click();
    void txtPath_Commit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void buildControls();
    void layoutControls();
    void connectControls();
    void Startup_Timer();
    void dlbDrive_Change(int index);
    void tvDir_NodeClick(QTreeWidgetItem *node);
    void lsvData_ColumnClick(int column);
    void lsvData_Current(QTreeWidgetItem *row);
    void showRoot(const QString &root);
    void startListing();
    void addRow(const ListedFile &file);
    void listingFinished(int count);
    void endListing();

    FolderLister m_lister;
    QTimer m_pendingListing; // starts the next listing from the event loop
    QString m_pendingFolder;
    QString m_startFolder;
    QString m_root;
    QString m_numFilesLabel;
    QString m_chosenFile;
    QStringList m_roots;
    QStringList m_extensions;
    QHash<QString, QLabel *> m_panels;
    int m_sortColumn = 1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
