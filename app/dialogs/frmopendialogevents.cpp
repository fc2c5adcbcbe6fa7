// The open dialog's handlers: drives, folder tree, listing, sorting and opening.
#include "app/dialogs/foldertree.h"
#include "app/dialogs/frmopendialog.h"
#include "app/dialogs/statfilecheck.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

namespace {

bool isEnter(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool readableFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

} // namespace

// Selects the start folder in the tree, expanding each level of its path, and lists it.
void frmOpenDialog::Startup_Timer()
{
    const QString start = QDir::cleanPath(QFileInfo(m_startFolder).absoluteFilePath());
    showRoot(foldertree::RootOf(start, m_roots));
    QTreeWidgetItem *node = foldertree::ExpandTo(*tvDir, start);
    tvDir->setCurrentItem(node);
    tvDir->scrollToItem(node);
    ListFolder(foldertree::PathOf(node));
}

// Makes root the current drive: the tree is rebuilt for it and the drive list shows it.
void frmOpenDialog::showRoot(const QString &root)
{
    m_root = root;
    int index = dlbDrive->findData(root);
    if (index < 0) {
        dlbDrive->addItem(root, root);
        index = dlbDrive->count() - 1;
    }
    dlbDrive->setCurrentIndex(index);
    foldertree::Rebuild(*tvDir, root);
    lblPath->setText(root);
}

void frmOpenDialog::dlbDrive_Change(int index)
{
    const QString root = dlbDrive->itemData(index).toString();
    if (root == m_root)
        return;
    if (readableFolder(root)) {
        showRoot(root);
        tvDir->setCurrentItem(tvDir->topLevelItem(0));
        ListFolder(root);
        return;
    }
    ShowMessage(QStringLiteral("Chorel OpenDialog"), 48,
                root + u' ' + MessageText(QStringLiteral("Unavailable")));
    if (!readableFolder(m_root))
        showRoot(QStringLiteral("/"));
    dlbDrive->setCurrentIndex(dlbDrive->findData(m_root));
}

void frmOpenDialog::tvDir_NodeClick(QTreeWidgetItem *node)
{
    if (node)
        ListFolder(foldertree::PathOf(node));
}

// The running listing is closed at once; the new one starts when control is back in the
// event loop, so no listing ever runs inside another.
void frmOpenDialog::ListFolder(const QString &folder)
{
    m_lister.stop();
    m_pendingFolder = folder;
    lblPath->setText(folder);
    lsvData->clear();
    static_cast<QStackedWidget *>(lsvData->parentWidget())->setCurrentWidget(lsvBack);
    setCursor(Qt::BusyCursor);
    m_pendingListing.start();
}

void frmOpenDialog::startListing()
{
    m_lister.start(m_pendingFolder);
}

void frmOpenDialog::addRow(const ListedFile &file)
{
    auto *row = new QTreeWidgetItem(
        QStringList{file.description, file.fileName,
                    file.modified.toString(QStringLiteral("dd.MM.yy hh:mm")),
                    statfile::SizeText(file.size)});
    row->setToolTip(0, file.description);
    row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    lsvData->addTopLevelItem(row);
}

// The rows come in the order of the file system; they are shown sorted as the user last
// asked (by name to begin with).
void frmOpenDialog::listingFinished(int count)
{
    lsvData->sortItems(m_sortColumn, m_sortOrder);
    static_cast<QStackedWidget *>(lsvData->parentWidget())->setCurrentWidget(lsvData);
    panel(QStringLiteral("NumFiles"))->setText(m_numFilesLabel + u' ' + QString::number(count));
    endListing();
}

void frmOpenDialog::endListing()
{
    m_pendingListing.stop();
    m_lister.stop();
    unsetCursor();
}

// "Description" and "Name" sort ascending; a second click on the same column reverses the
// order. "Date" and "Size" do not sort.
void frmOpenDialog::lsvData_ColumnClick(int column)
{
    if (column > 1)
        return;
    m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder
                      ? Qt::DescendingOrder
                      : Qt::AscendingOrder;
    m_sortColumn = column;
    lsvData->sortItems(column, m_sortOrder);
}

void frmOpenDialog::lsvData_Current(QTreeWidgetItem *row)
{
    panel(QStringLiteral("ActiveFile"))
        ->setText(row ? QDir(lblPath->text()).filePath(row->text(1)) : QString());
}

// Open needs a row that the user chose; with none the command does nothing.
void frmOpenDialog::cmdOpen_Click()
{
    const QTreeWidgetItem *row = lsvData->currentItem();
    if (busy() || lsvData->topLevelItemCount() == 0 || !row)
        return;
    m_chosenFile = QDir(lblPath->text()).filePath(row->text(1));
    accept();
}

void frmOpenDialog::txtPath_Commit()
{
    QString typed = txtPath->text().trimmed();
    if (typed.isEmpty())
        return;
    if (typed == QStringLiteral("~") || typed.startsWith(QStringLiteral("~/")))
        typed = QDir::homePath() + typed.mid(1);
    const QFileInfo info(QDir(lblPath->text()).absoluteFilePath(typed));
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    if (info.isDir()) {
        showRoot(foldertree::RootOf(path, m_roots));
        QTreeWidgetItem *node = foldertree::ExpandTo(*tvDir, path);
        tvDir->setCurrentItem(node);
        tvDir->scrollToItem(node);
        ListFolder(foldertree::PathOf(node));
        return;
    }
    if (!info.isFile()) {
        ShowMessage(windowTitle(), 64, MessageText(QStringLiteral("MissingFile")) + u' ' + path);
        txtPath->selectAll();
        return;
    }
    if (!m_extensions.contains(info.suffix().toLower())) {
        ShowMessage(windowTitle(), 64,
                    MessageText(QStringLiteral("WrongExtension")) + QStringLiteral(": ") + path);
        txtPath->selectAll();
        return;
    }
    m_chosenFile = path;
    accept();
}

void frmOpenDialog::cmdCancel_Click()
{
    m_chosenFile.clear();
    reject();
}

// Every way out of the dialog ends a running listing and gives the pointer back.
void frmOpenDialog::done(int result)
{
    endListing();
    QDialog::done(result);
}

// Enter on a folder node expands and lists it; Enter on a file row opens the file; Enter in
// the path box opens the typed folder or file.
bool frmOpenDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tvDir && isEnter(event)) {
        if (QTreeWidgetItem *node = tvDir->currentItem()) {
            node->setExpanded(true);
            ListFolder(foldertree::PathOf(node));
        }
        return true;
    }
    if (watched == lsvData && isEnter(event)) {
        cmdOpen_Click();
        return true;
    }
    // Enter in the path box acts on the typed path alone, not on the default button.
    if (watched == txtPath && isEnter(event)) {
        txtPath_Commit();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
