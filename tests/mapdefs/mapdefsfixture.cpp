#include "mapdefsfixture.h"

#include "app/runtime/chorelglobals.h"
#include "app/runtime/showmessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

QList<RecordedMessage> &recordMessages()
{
    static QList<RecordedMessage> messages;
    static QTemporaryDir logFolder;
    Globals().LogFile = logFolder.filePath(QStringLiteral("Chorel.log"));
    messages.clear();
    SetBatchMessages(false);
    SetMessageBoxFunction([](const QString &caption, int buttons, const QString &text) {
        messages.append({caption, buttons, text});
    });
    return messages;
}

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray bytes = text;
    bytes.replace("\r\n", "\n").replace("\n", "\r\n");
    file.write(bytes);
}

QString samplesFolder() { return qEnvironmentVariable("CHOREL_SAMPLES"); }

void copySampleShapefile(const QString &sample, const QString &folder, const QString &base)
{
    QDir().mkpath(folder);
    for (const char *extension : {".shp", ".shx", ".dbf"}) {
        const QString ext = QString::fromLatin1(extension);
        const QString target = QDir(folder).filePath(base + ext);
        QFile::remove(target);
        QVERIFY(QFile::copy(samplesFolder() + QStringLiteral("/Maps/") + sample + ext, target));
    }
}
