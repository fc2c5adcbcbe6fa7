#pragma once

#include "platform/dbase/sqlast.h"

#include <memory>

class DbfTable;

namespace sql {

// Where the executor finds tables by name and tells that it changed one.
class TableSource {
public:
    virtual ~TableSource() = default;
    // Throws ProviderFailure when the folder holds no such table.
    virtual std::shared_ptr<DbfTable> table(const QString &name) = 0;
    virtual void changed(const std::shared_ptr<DbfTable> &table) = 0;
};

// A SELECT as a table of its own (in memory, never written).
std::shared_ptr<DbfTable> runSelect(const SelectStmt &statement, TableSource &source);
// INSERT and UPDATE return the number of records they added or changed.
qint64 runInsert(const InsertStmt &statement, TableSource &source);
qint64 runUpdate(const UpdateStmt &statement, TableSource &source);

} // namespace sql
