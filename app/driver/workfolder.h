#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The per-process working folder "Chorels<pid>" in the temporary folder, and the instance
// lock that tells other instances this one is running: a QLockFile "Chorel-<pid>.lock" in
// the same temporary folder, held for the life of the process. Both go when the program ends
// normally; those of a killed instance go at the next start of any instance.
class WorkFolder {
public:
    // tempFolder: where working folders and instance locks live (normally QDir::tempPath()).
    explicit WorkFolder(QString tempFolder, qint64 pid);
    // Removes this instance's folder and releases its lock.
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    // Takes this instance's lock; removes the working folders of instances that have ended
    // (while other instances run, only those); then creates (or empties) this instance's
    // folder. Returns its path, or an empty text when the folder cannot be created.
    QString Prepare();

    // Whether another live instance holds its lock in the temporary folder.
    bool OtherInstanceRunning() const;

    const QString &path() const { return m_path; }

    static QString FolderName(qint64 pid);
    static QString LockName(qint64 pid);

private:
    void RemoveStaleFolders(bool othersRunning) const;
    bool InstanceAlive(qint64 pid) const;

    QString m_temp;
    qint64 m_pid;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
