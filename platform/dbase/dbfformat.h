#pragma once

#include "platform/dbase/dbftable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The dBASE III file layout the provider reads and writes: a 32-byte file header, one 32-byte
// descriptor per field, the terminator 0x0D, the records of a fixed length (deletion flag
// first), and the end mark 0x1A.
struct DbfLayout {
    QList<DbfField> fields; // offsets counted from the deletion flag
    int headerLength = 0;
    int recordLength = 0;
    qint64 records = 0;
    int languageDriver = 0; // byte 29 of the header
};

// Reads the layout from a whole file's bytes. Throws ProviderFailure naming path when the bytes
// are not a dBASE table or hold fewer records than the header promises.
DbfLayout parseDbfHeader(QByteArrayView file, const QString &path);

// The header and field descriptors of a table of rows records of fields (offsets set).
QByteArray composeDbfHeader(const QList<DbfField> &fields, qint64 rows, int languageDriver);

// The code page of the table at dbfPath: the first line of its .cpg file, else "LDID/n" when
// the header names a language driver n, else empty.
QString readCodePage(const QString &dbfPath, int languageDriver);

// The language driver a code page text "LDID/n" names; fallback for any other text.
int languageDriverOf(const QString &codePage, int fallback);

// The .cpg file beside a .dbf path.
QString cpgPathOf(const QString &dbfPath);
