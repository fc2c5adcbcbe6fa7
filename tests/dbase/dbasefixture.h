#pragma once

#include "contracts/tableprovider.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

// A connection of the dBASE provider to folder, opened in mode (1 read, 3 read/write).
std::unique_ptr<provider::Connection> openDbase(const QString &folder,
                                                int mode = provider::ModeReadWrite);

// Replaces table name in folder with REGION (text, 4) and F1 (number with decimals) holding
// codes and values in one transaction; an empty QVariant is an empty cell.
void makeDbaseTable(const QString &folder, const QString &name, const QStringList &codes,
                    const QVariantList &values, int precision = 10, int decimals = 2);

// SHA-1 of a file's bytes.
QByteArray fileHash(const QString &path);
