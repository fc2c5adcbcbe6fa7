#include "tableforge/englishmessages.h"

const QList<QPair<QString, QString>> &EnglishBuilderMessages()
{
    static const QString crlf = QStringLiteral("\r\n");
    static const QList<QPair<QString, QString>> messages = {
        {QStringLiteral("MISSING"), QStringLiteral("Missing TQ-File!")},
        {QStringLiteral("VALID"), QStringLiteral("No valid file for Chorel.")},
        {QStringLiteral("CODES"), QStringLiteral("Can't find codes for.")},
        {QStringLiteral("VALUES"), QStringLiteral("Can't find values for.")},
        {QStringLiteral("PROGRESS"), QStringLiteral("Missing Progress bar.")},
        {QStringLiteral("FILEFORMAT"), QStringLiteral("Wrong text file format.")},
        {QStringLiteral("VARIABLE"),
         QStringLiteral("Can't create map, it is selected too many value variables.") + crlf +
             QStringLiteral("You may select more values from just one variable") + crlf +
             QStringLiteral("(in addition to the region variable), select just") + crlf +
             QStringLiteral("one value from the rest of the variables!")},
    };
    return messages;
}
