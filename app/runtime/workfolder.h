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

    // Takes this instance's lock; removes the working folders of instances that have ended;
    // then creates (or empties) this instance's folder. Returns its path, or an empty text
    // when the folder cannot be created (problem() says why).
    QString Prepare();

    // Whether another live instance holds its lock in the temporary folder.
    bool OtherInstanceRunning() const;

    const QString &path() const { return m_path; }
    // Why Prepare could not make the folder, in the system's words; empty when it could.
    const QString &problem() const { return m_problem; }

    static QString FolderName(qint64 pid);
    static QString LockName(qint64 pid);

    // Whether path is a real folder (not a link to one) owned by this user.
    static bool IsOwnFolder(const QString &path);
    // Removes the folder path with all it holds, without ever following a symbolic link (a
    // link inside is removed itself); nothing when path is a link or another user's folder.
    // True when the folder is gone.
    static bool RemoveFolder(const QString &path);

private:
    void RemoveStaleFolders() const;
    bool InstanceAlive(qint64 pid) const;

    QString m_temp;
    qint64 m_pid;
    QString m_path;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
};
