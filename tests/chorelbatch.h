#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A batch run of the program built in this tree (CHOREL_BIN): exit code (-1 when it crashed
// or ran over two minutes and was ended) and what it wrote on stderr.
struct BatchRun {
    int exitCode = -1;
    QString errors;
};

// Runs chorel with arguments as a batch user would: home is its program folder (CHOREL_HOME),
// home/tmp its temporary folder and home/out its working folder, without a display.
inline BatchRun RunChorelBatch(const QString &home, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CHOREL_HOME"), home);
    environment.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home + QStringLiteral("/out"));
    process.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"), arguments);
    BatchRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}
