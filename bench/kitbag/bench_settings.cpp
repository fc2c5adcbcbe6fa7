// Reading every key of a settings file key by key, as a language file's About lines and an
// option file's Class/Color keys are read: files of 1,000 to 16,000 keys, each key read once
// through the settings reader, the first pass (the file is read and parsed) and a second pass
// (the parsed file is kept while unchanged). Then a file written just now (compared by its
// bytes at each read), and a file changed between reads, which is read anew each time. Usage:
// bench_settings [folder] (default: a temporary folder).
#include "kitbag/kbutil.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString writeSettings(const QString &path, int keys)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray text = "[CHOROPLET]\r\nClasses=" + QByteArray::number(keys / 2) + "\r\n";
    for (int i = 1; i <= keys / 2; ++i)
        text += "Class" + QByteArray::number(i) + '=' + QByteArray::number(i * 10.5) + "\r\nColor" +
                QByteArray::number(i) + '=' + QByteArray::number(i * 4099 % 16777216) + "\r\n";
    file.write(text);
    // Made an hour ago, as a language or option file is: a file changed within the last
    // seconds is compared by its bytes at every read (the line below the table).
    file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                     QFileDevice::FileModificationTime);
    return path;
}

// Reads every key once; milliseconds.
double readAll(const CKbUtil &util, const QString &path, int keys, qint64 *characters)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= keys / 2; ++i) {
        *characters += util.ReadIniFile(path, QStringLiteral("CHOROPLET"),
                                        QStringLiteral("Class%1").arg(i))
                           .size();
        *characters += util.ReadIniFile(path, QStringLiteral("CHOROPLET"),
                                        QStringLiteral("Color%1").arg(i))
                           .size();
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const CKbUtil util;
    qint64 characters = 0;
    std::printf("%8s %10s %12s %12s\n", "keys", "bytes", "first ms", "second ms");
    for (int keys : {1000, 2000, 4000, 8000, 16000}) {
        const QString path = writeSettings(
            QDir(folder).filePath(QStringLiteral("bench%1.tqo").arg(keys)), keys);
        const double first = readAll(util, path, keys, &characters);
        const double second = readAll(util, path, keys, &characters);
        std::printf("%8d %10lld %12.2f %12.2f\n", keys, QFile(path).size(), first, second);
    }
    // A file just written: its bytes are compared at every read while its time could hide a
    // change (two seconds), 4,000 keys.
    {
        const QString fresh = QDir(folder).filePath(QStringLiteral("fresh.tqo"));
        QFile::copy(QDir(folder).filePath(QStringLiteral("bench4000.tqo")), fresh);
        const double first = readAll(util, fresh, 4000, &characters);
        std::printf("4000 keys, a file just written: %.2f ms\n", first);
    }
    // A file that changes between two reads is read again: 4,000 keys, 200 changes.
    const QString path = writeSettings(QDir(folder).filePath(QStringLiteral("changing.tqo")), 4000);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 200; ++i) {
        util.WriteProfile(QStringLiteral("CHOROPLET"), QStringLiteral("Color1"),
                          QString::number(i), path);
        characters += util.ReadIniFile(path, QStringLiteral("CHOROPLET"),
                                       QStringLiteral("Color1"))
                          .size();
    }
    std::printf("4000 keys, 200 times written and read again: %.2f ms (%lld characters read)\n",
                timer.nsecsElapsed() / 1e6, characters);
    return 0;
}
