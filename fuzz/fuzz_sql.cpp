// The SQL statement parser of the table provider. Every input is parsed; a statement that
// parses is also run against two small tables, so binding names and evaluating expressions are
// reached too. The tables are written afresh when a statement changed them.

#include "fuzzinput.h"

#include "contracts/runtimeerror.h"
#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "platform/dbase/sqlast.h"

#include <QDir>
#include <QVariant>

namespace {

// The tables T (a text key, a number and a second text field, three records) and E (a key
// and a number, as the statistics table of a join).
void writeTable(provider::Connection &connection)
{
    auto catalog = createDbaseCatalog();
    catalog->setActiveConnection(&connection);
    for (const QString &name : {QStringLiteral("T"), QStringLiteral("E")}) {
        try {
            catalog->deleteTable(name);
        } catch (const RunTimeError &) {
        }
    }
    catalog->appendTable(QStringLiteral("T"),
                         {provider::Column{QStringLiteral("KEY"), provider::TypeWChar, 8, 0, 0},
                          provider::Column{QStringLiteral("VAL"), provider::TypeDouble, 0, 10, 2},
                          provider::Column{QStringLiteral("NAME"), provider::TypeWChar, 20, 0, 0}});
    connection.execute(QStringLiteral("INSERT INTO T (KEY, VAL, NAME) VALUES ('a', 1.5, 'one')"));
    connection.execute(QStringLiteral("INSERT INTO T (KEY, VAL, NAME) VALUES ('b', -2, 'two')"));
    connection.execute(QStringLiteral("INSERT INTO T (KEY, NAME) VALUES ('c', 'three')"));
    catalog->appendTable(QStringLiteral("E"),
                         {provider::Column{QStringLiteral("REGION"), provider::TypeWChar, 8, 0, 0},
                          provider::Column{QStringLiteral("F1"), provider::TypeDouble, 0, 10, 0}});
    connection.execute(QStringLiteral("INSERT INTO E (REGION, F1) VALUES ('a', 10)"));
    connection.execute(QStringLiteral("INSERT INTO E (REGION, F1) VALUES ('c', 30)"));
}

provider::Connection &connection()
{
    static std::unique_ptr<provider::Connection> open = [] {
        auto c = createDbaseConnection();
        c->setConnectionString(QStringLiteral("Data Source=") + fuzzinput::folder()
                               + QStringLiteral(";Extended Properties=dBASE 5.0;"));
        c->setMode(provider::ModeReadWrite);
        c->open();
        writeTable(*c);
        return c;
    }();
    return *open;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = fuzzinput::text(data, size);
    try {
        const sql::Statement statement = sql::parse(text);
        provider::Connection &c = connection();
        if (std::holds_alternative<sql::SelectStmt>(statement)) {
            auto records = createDbaseRecordset();
            records->open(text, &c, provider::CmdText);
            for (; !records->eof(); records->moveNext()) {
                for (int i = 0; i < records->fieldCount(); ++i)
                    records->value(i);
            }
            records->close();
        } else if (c.execute(text) > 0) {
            writeTable(c);
        }
    } catch (const RunTimeError &) {
        // a refused statement is the expected outcome for most inputs
    }
    return 0;
}
