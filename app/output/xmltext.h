#pragma once

#include <QByteArray>
#include <QString>

// Text for XML documents (SVG files, web pages). XML 1.0 cannot hold every character: the
// control characters other than tab, line feed and carriage return, U+FFFE and U+FFFF, and
// halves of surrogate pairs standing alone are not allowed even as character references, and
// a parser refuses the whole document for one of them. They are dropped.

// The text escaped for the content of an element or the value of an attribute (in double or
// single quotes): "&", "<", ">", '"' and "'" become references, and the characters XML
// cannot hold are dropped. "Births & deaths" gives "Births &amp; deaths".
QString XmlText(const QString &text);

// The text with the characters XML cannot hold dropped and nothing escaped: for a writer
// that escapes by itself.
QString XmlCharacters(const QString &text);

// A UTF-8 document with the characters XML cannot hold dropped: the control bytes other
// than tab, line feed and carriage return, and the encodings of U+FFFE and U+FFFF. Markup and
// every other character stay as they are.
QByteArray XmlCharacters(const QByteArray &utf8);
