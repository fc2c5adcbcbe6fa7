#include "app/dialogs/foldertree.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTreeWidget>

namespace foldertree {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LoadedRole = Qt::UserRole + 1;

const QFileIconProvider &icons()
{
    static const QFileIconProvider provider;
    return provider;
}

// A folder node shows an expand button until its subfolders are known.
QTreeWidgetItem *makeNode(const QString &path, const QString &caption)
{
    auto *node = new QTreeWidgetItem(QStringList{caption});
    node->setData(0, PathRole, path);
    node->setIcon(0, icons().icon(QFileInfo(path)));
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return node;
}

bool isUnder(const QString &path, const QString &folder)
{
    if (folder == QStringLiteral("/"))
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

} // namespace

QStringList DriveRoots()
{
    QStringList roots{QStringLiteral("/"), QDir::homePath()};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    return roots;
}

QString RootOf(const QString &path, const QStringList &roots)
{
    QString best = QStringLiteral("/");
    for (const QString &root : roots) {
        if (isUnder(path, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

QString PathOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, PathRole).toString() : QString();
}

QTreeWidgetItem *Rebuild(QTreeWidget &tree, const QString &root)
{
    tree.clear();
    QTreeWidgetItem *top = makeNode(root, root);
    tree.addTopLevelItem(top);
    return top;
}

void LoadChildren(QTreeWidgetItem *node)
{
    if (!node || node->data(0, LoadedRole).toBool())
        return;
    node->setData(0, LoadedRole, true);
    const QDir folder(PathOf(node));
    const QStringList names =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        node->addChild(makeNode(folder.filePath(name), name));
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem *ExpandTo(QTreeWidget &tree, const QString &path)
{
    QTreeWidgetItem *node = tree.topLevelItem(0);
    const QString target = QDir::cleanPath(path);
    while (node && PathOf(node) != target) {
        LoadChildren(node);
        node->setExpanded(true);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            if (isUnder(target, PathOf(node->child(i))))
                next = node->child(i);
        }
        if (!next)
            break;
        node = next;
    }
    return node;
}

} // namespace foldertree
