#pragma once

#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// The open dialog's drives and folder tree. The drives are the file system's root "/", the
// home folder and the mounted volumes. The tree shows the folders below the current root;
// each node keeps its full path (its tag) and reads its subfolders only when it is first
// expanded, so a large disk costs nothing until the user walks it.
namespace foldertree {

// "/", the home folder and the mounted volumes' root folders, without doubles.
QStringList DriveRoots();

// The drive of path: the longest of roots that holds it ("/" when none does).
QString RootOf(const QString &path, const QStringList &roots);

// The full path kept with a node.
QString PathOf(const QTreeWidgetItem *node);

// Empties tree and gives it one top node for root.
QTreeWidgetItem *Rebuild(QTreeWidget &tree, const QString &root);

// Adds the subfolders of node's folder as its children unless it has them already.
void LoadChildren(QTreeWidgetItem *node);

// Expands the tree from its top node along the folders of path; returns the node of path,
// or of the deepest folder of it found in the tree.
QTreeWidgetItem *ExpandTo(QTreeWidget &tree, const QString &path);

} // namespace foldertree
