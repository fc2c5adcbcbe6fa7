#include "app/dialogs/mapdefinitionchooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

MapDefinitionChooser::MapDefinitionChooser(const QString &dataFile, const QStringList &candidates,
                                           QWidget *parent)
    : QDialog(parent), m_candidates(candidates)
{
    setWindowTitle(QStringLiteral("Map definition"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("%1 names no map definition. Draw it on:")
                                 .arg(QFileInfo(dataFile).fileName()),
                             this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstMapDefinitions"));
    for (const QString &path : candidates) {
        const QFileInfo info(path);
        auto *item = new QListWidgetItem(info.fileName() + QStringLiteral("   (")
                                             + QDir::toNativeSeparators(info.absolutePath()) + u')',
                                         m_list);
        item->setToolTip(path);
    }
    if (!candidates.isEmpty())
        m_list->setCurrentRow(0);
    layout->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!candidates.isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(480, 300);
}

QString MapDefinitionChooser::chosen() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_candidates.size() ? m_candidates.at(row) : QString();
}

QString MapDefinitionChooser::Choose(QWidget *parent, const QString &dataFile,
                                     const QStringList &candidates)
{
    if (candidates.isEmpty())
        return QString();
    MapDefinitionChooser chooser(dataFile, candidates, parent);
    return chooser.exec() == QDialog::Accepted ? chooser.chosen() : QString();
}
