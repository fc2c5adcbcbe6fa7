#pragma once

#include <QString>
#include <QStringList>

// Why a batch run may not write output, found before anything is written; empty when it may.
// An output is refused when it is a symbolic link (writing would replace the file it points
// to, wherever that lies) or exists and is not a regular file (a folder, a device node), and
// when it is the same file as one of inputs, the files the run reads (statistics file, option
// file, map definition, layers and their tables, language file): compared as files, by device
// and inode after following links, so another name of the same file counts too.
QString OutputRefusal(const QString &output, const QStringList &inputs);

// The first refusal among outputs, or empty.
QString OutputsRefusal(const QStringList &outputs, const QStringList &inputs);
