#include "app/dialogs/folderlister.h"

#include "app/dialogs/statfilecheck.h"

#include <QDirIterator>
#include <QFileInfo>

FolderLister::FolderLister(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &FolderLister::step);
}

FolderLister::~FolderLister() = default;

void FolderLister::start(const QString &folder)
{
    stop();
    m_folder = folder;
    m_count = 0;
    m_iterator = std::make_unique<QDirIterator>(
        folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    m_timer.start();
}

void FolderLister::stop()
{
    m_timer.stop();
    m_iterator.reset();
}

void FolderLister::step()
{
    QDirIterator *const iterator = m_iterator.get();
    for (int i = 0; i < EntriesPerStep && iterator == m_iterator.get() && iterator->hasNext();
         ++i) {
        iterator->next();
        const QFileInfo info = iterator->fileInfo();
        const QString extension = info.fileName().section(u'.', -1).trimmed().toLower();
        if (!info.fileName().contains(u'.') || !m_extensions.contains(extension))
            continue;
        // a file that cannot be read, or is not one of ours, is left out without a message
        const std::optional<QString> description =
            statfile::Describe(info.filePath(), extension, m_optionFileText);
        if (!description)
            continue;
        ++m_count;
        emit fileFound({*description, info.fileName(), info.lastModified(), info.size()});
    }
    // a slot connected to fileFound may have stopped or restarted the listing
    if (!iterator || iterator != m_iterator.get() || iterator->hasNext())
        return;
    stop();
    emit finished(m_count);
}
