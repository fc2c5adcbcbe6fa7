// The dBASE table readers: the table provider's (opened through a record set, every cell
// read) and the map control's layer table (read whole, every cell read).

#include "fuzzinput.h"

#include "contracts/runtimeerror.h"
#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "platform/mapcontrol/layertable.h"

#include <QVariant>

namespace {

void readWithProvider()
{
    auto connection = createDbaseConnection();
    connection->setConnectionString(QStringLiteral("Data Source=") + fuzzinput::folder()
                                    + QStringLiteral(";Extended Properties=dBASE 5.0;"));
    connection->setMode(provider::ModeRead);
    try {
        connection->open();
        auto records = createDbaseRecordset();
        records->open(QStringLiteral("SELECT * FROM INPUT"), connection.get(), provider::CmdText);
        for (; !records->eof(); records->moveNext()) {
            for (int i = 0; i < records->fieldCount(); ++i)
                records->value(i).toString();
        }
        records->close();
    } catch (const RunTimeError &) {
        // a damaged table is refused with the provider's message
    }
}

void readAsLayerTable(const QString &path)
{
    LayerTable table;
    QString error;
    if (!table.read(path, &error))
        return;
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int field = 0; field < table.fieldNames().size(); ++field)
            table.value(row, field).toString();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("INPUT.dbf"), data, size);
    readWithProvider();
    readAsLayerTable(path);
    return 0;
}
