#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class QDirIterator;

// One file of a listed folder that can become a map.
struct ListedFile {
    QString description;
    QString fileName;
    QDateTime modified;
    qint64 size = 0;
};

// Lists the files of one folder that Chorel can turn into a map, a few entries per turn of
// the event loop, so the open dialog stays responsive and can be closed or sent to another
// folder at any moment. Only one enumeration is open at a time: start() and stop() close the
// running one before anything else happens.
class FolderLister : public QObject {
    Q_OBJECT

public:
    explicit FolderLister(QObject *parent = nullptr);
    ~FolderLister() override;

    // The lower-cased extensions that are listed, and the description of option files.
    void setAcceptedExtensions(const QStringList &extensions) { m_extensions = extensions; }
    void setOptionFileText(const QString &text) { m_optionFileText = text; }

    // Starts listing folder; a running listing is stopped first (without finished()).
    void start(const QString &folder);
    // Stops a running listing and closes its enumeration; finished() is not emitted.
    void stop();
    bool busy() const { return m_iterator != nullptr; }
    const QString &folder() const { return m_folder; }

    // Entries looked at per turn of the event loop.
    static constexpr int EntriesPerStep = 8;

signals:
    void fileFound(const ListedFile &file);
    // The whole folder was looked at; count files were found.
    void finished(int count);

private:
    void step();

    QStringList m_extensions;
    QString m_optionFileText;
    QString m_folder;
    std::unique_ptr<QDirIterator> m_iterator;
    QTimer m_timer;
    int m_count = 0;
};
