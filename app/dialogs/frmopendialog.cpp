#include "app/dialogs/frmopendialog.h"

#include "app/dialogs/foldertree.h"
#include "app/dialogs/statfilecheck.h"
#include "app/runtime/screenfit.h"
#include "app/runtime/messagetable.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Column keys of lsvData, in order, with their built-in headings.
const QStringList &columnKeys()
{
    static const QStringList keys = {QStringLiteral("DescriptionTxt"),
                                     QStringLiteral("FileNameTxt"), QStringLiteral("DateTxt"),
                                     QStringLiteral("SizeTxt")};
    return keys;
}

QTreeWidget *makeFileList(const QString &name)
{
    auto *list = new QTreeWidget;
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setHeaderLabels({QStringLiteral("Description"), QStringLiteral("Name"),
                           QStringLiteral("Date"), QStringLiteral("Size")});
    // the description takes the room the name, date and size leave
    QHeaderView *header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    list->setColumnWidth(1, 150);
    list->setColumnWidth(2, 110);
    list->setColumnWidth(3, 80);
    return list;
}

// The folder where the last file was opened; the next Open starts there.
QString &lastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

frmOpenDialog::frmOpenDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOpenDialog"));
    setWindowTitle(QStringLiteral("Open"));
    buildControls();
    layoutControls();
    connectControls();
    FitToScreen(this, QSize(900, 520));
    setAcceptedExtensions(
        statfile::AcceptedExtensions(QStringLiteral("tq,sdv,txt,csv,tsv,json,jsonstat,tqo")));
    m_lister.setOptionFileText(QStringLiteral("Chorel option file"));
    m_startFolder = QDir::currentPath();
    m_numFilesLabel = QStringLiteral("Number of files");

    Startup.setObjectName(QStringLiteral("Startup"));
    Startup.setSingleShot(true);
    Startup.setInterval(0);
    connect(&Startup, &QTimer::timeout, this, &frmOpenDialog::Startup_Timer);
    Startup.start();
}

frmOpenDialog::~frmOpenDialog()
{
    m_pendingListing.stop();
    m_lister.stop();
}

void frmOpenDialog::buildControls()
{
    dlbDrive = new QComboBox;
    dlbDrive->setObjectName(QStringLiteral("dlbDrive"));
    m_roots = foldertree::DriveRoots();
    for (const QString &root : m_roots)
        dlbDrive->addItem(root, root);

    tvDir = new QTreeWidget;
    tvDir->setObjectName(QStringLiteral("tvDir"));
    tvDir->setHeaderHidden(true);
    tvDir->installEventFilter(this);

    lblPath = new QLabel;
    lblPath->setObjectName(QStringLiteral("lblPath"));
    txtPath = new QLineEdit;
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setClearButtonEnabled(true);
    txtPath->installEventFilter(this);
    lsvData = makeFileList(QStringLiteral("lsvData"));
    lsvData->header()->setSectionsClickable(true);
    lsvData->header()->setSortIndicatorShown(false);
    lsvData->setContextMenuPolicy(Qt::CustomContextMenu);
    lsvData->installEventFilter(this);
    lsvBack = makeFileList(QStringLiteral("lsvBack"));

    cmdOpen = new QPushButton(QStringLiteral("&Open"));
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdOpen->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    mnuFile = new QMenu(this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuCancel = mnuFile->addAction(QStringLiteral("&Cancel"));
    mnuCancel->setObjectName(QStringLiteral("mnuCancel"));

    stbDialog = new QStatusBar;
    stbDialog->setObjectName(QStringLiteral("stbDialog"));
    stbDialog->setSizeGripEnabled(false);
    for (const QString &key : {QStringLiteral("NumFiles"), QStringLiteral("ActiveFile")}) {
        auto *label = new QLabel;
        label->setObjectName(key);
        m_panels.insert(key, label);
        stbDialog->addWidget(label, key == QStringLiteral("NumFiles") ? 1 : 3);
    }
}

// Drives above the tree; the tree and the file list side by side with a splitter between
// them; Open and Cancel under the list; the status bar at the bottom.
void frmOpenDialog::layoutControls()
{
    auto *files = new QStackedWidget;
    files->setObjectName(QStringLiteral("fmeRamme"));
    files->addWidget(lsvData);
    files->addWidget(lsvBack);
    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(lblPath);
    rightLayout->addWidget(files, 1);

    imgSplitter = new QSplitter(Qt::Horizontal);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setChildrenCollapsible(false);
    imgSplitter->addWidget(tvDir);
    imgSplitter->addWidget(right);
    imgSplitter->setStretchFactor(1, 3);
    imgSplitter->setSizes({220, 600});

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dlbDrive);
    layout->addWidget(txtPath);
    layout->addWidget(imgSplitter, 1);
    layout->addLayout(buttons);
    layout->addWidget(stbDialog);
}

void frmOpenDialog::connectControls()
{
    connect(cmdOpen, &QPushButton::clicked, this, &frmOpenDialog::cmdOpen_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOpenDialog::cmdCancel_Click);
    connect(mnuOpen, &QAction::triggered, this, &frmOpenDialog::cmdOpen_Click);
    connect(mnuCancel, &QAction::triggered, this, &frmOpenDialog::cmdCancel_Click);
    connect(dlbDrive, &QComboBox::activated, this, &frmOpenDialog::dlbDrive_Change);
    connect(tvDir, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node) { tvDir_NodeClick(node); });
    connect(tvDir, &QTreeWidget::itemExpanded, this,
            [](QTreeWidgetItem *node) { foldertree::LoadChildren(node); });
    connect(lsvData, &QTreeWidget::itemDoubleClicked, this, &frmOpenDialog::cmdOpen_Click);
    connect(lsvData, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *row) { lsvData_Current(row); });
    connect(lsvData->header(), &QHeaderView::sectionClicked, this,
            &frmOpenDialog::lsvData_ColumnClick);
    connect(lsvData, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (lsvData->topLevelItemCount() > 0)
            mnuFile->popup(lsvData->viewport()->mapToGlobal(at));
    });
    connect(&m_lister, &FolderLister::fileFound, this, &frmOpenDialog::addRow);
    connect(&m_lister, &FolderLister::finished, this, &frmOpenDialog::listingFinished);
    m_pendingListing.setSingleShot(true);
    m_pendingListing.setInterval(0);
    connect(&m_pendingListing, &QTimer::timeout, this, &frmOpenDialog::startListing);
}

void frmOpenDialog::SetCaption(const QString &element, const QString &key, const QString &text)
{
    if (element == QStringLiteral("ListView")) {
        const qsizetype column = columnKeys().indexOf(key);
        if (column >= 0) {
            lsvData->headerItem()->setText(int(column), text);
            lsvBack->headerItem()->setText(int(column), text);
        }
    } else if (element == QStringLiteral("Menu") && key == QStringLiteral("Open")) {
        mnuOpen->setText(text);
        cmdOpen->setText(text);
    } else if (element == QStringLiteral("Menu") && key == QStringLiteral("Cancel")) {
        mnuCancel->setText(text);
        cmdCancel->setText(text);
    } else if (element == QStringLiteral("StatusBar") && key == QStringLiteral("NumFiles")) {
        m_numFilesLabel = text;
    } else if (element == QStringLiteral("Form")) {
        setWindowTitle(text);
    }
}

void frmOpenDialog::ApplyLanguage()
{
    for (const QString &key : columnKeys())
        SetCaption(QStringLiteral("ListView"), key, MessageText(key));
    SetCaption(QStringLiteral("Menu"), QStringLiteral("Open"), MessageText(QStringLiteral("Open")));
    SetCaption(QStringLiteral("Menu"), QStringLiteral("Cancel"),
               MessageText(QStringLiteral("Cancel")));
    SetCaption(QStringLiteral("StatusBar"), QStringLiteral("NumFiles"),
               MessageText(QStringLiteral("NumFiles")));
    SetCaption(QStringLiteral("Form"), QStringLiteral("Open"),
               MessageText(QStringLiteral("OpenTitle")));
    setAcceptedExtensions(statfile::AcceptedExtensions(MessageText(QStringLiteral("OpenFilter"))));
    m_lister.setOptionFileText(MessageText(QStringLiteral("ChorelFile")));
}

void frmOpenDialog::setAcceptedExtensions(const QStringList &extensions)
{
    m_extensions = extensions;
    m_lister.setAcceptedExtensions(extensions);
}

QString frmOpenDialog::Choose(QWidget *parent)
{
    frmOpenDialog dialog(parent);
    dialog.ApplyLanguage();
    dialog.setStartFolder(lastFolder().isEmpty() ? QDir::currentPath() : lastFolder());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    lastFolder() = QFileInfo(dialog.chosenFile()).absolutePath();
    return dialog.chosenFile();
}
