#pragma once

#include "contracts/tableprovider.h"

#include <memory>

// Our table provider on dBASE files (read and written with shapelib's DBF functions).
// A catalogue or record set works on the connection it is given, which must be one made
// by createDbaseConnection.
std::unique_ptr<provider::Connection> createDbaseConnection();
std::unique_ptr<provider::Catalog> createDbaseCatalog();
std::unique_ptr<provider::Recordset> createDbaseRecordset();
