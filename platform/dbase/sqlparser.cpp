#include "platform/dbase/sqlast.h"

#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"

#include <cmath>

namespace sql {

namespace {

struct Token {
    enum Kind { Word, Number, String, Symbol, End };
    Kind kind = End;
    QString text;
    int pos = 0;
};

[[noreturn]] void syntaxError(const QString &text, int pos, const QString &what)
{
    failSyntax(QStringLiteral("Syntax error in the statement (%1 at position %2): %3")
                   .arg(what)
                   .arg(pos + 1)
                   .arg(text));
}

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

int readQuoted(const QString &s, int i, QChar quote, QString *out)
{
    for (int j = i + 1; j < s.size(); ++j) {
        if (s[j] != quote) {
            out->append(s[j]);
        } else if (j + 1 < s.size() && s[j + 1] == quote) {
            out->append(quote);
            ++j;
        } else {
            return j + 1;
        }
    }
    syntaxError(s, i, QStringLiteral("text without closing quote"));
}

int readNumber(const QString &s, int i)
{
    int j = i;
    while (j < s.size() && s[j].isDigit())
        ++j;
    if (j < s.size() && s[j] == u'.') {
        ++j;
        while (j < s.size() && s[j].isDigit())
            ++j;
    }
    if (j < s.size() && (s[j] == u'e' || s[j] == u'E')) {
        int k = j + 1;
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-'))
            ++k;
        if (k < s.size() && s[k].isDigit()) {
            while (k < s.size() && s[k].isDigit())
                ++k;
            j = k;
        }
    }
    return j;
}

QList<Token> tokenize(const QString &s)
{
    QList<Token> tokens;
    int i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (isWordStart(c)) {
            int j = i;
            while (j < s.size() && isWordChar(s[j]))
                ++j;
            t.kind = Token::Word;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
            const int j = readNumber(s, i);
            t.kind = Token::Number;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (c == u'\'' || c == u'"') {
            t.kind = Token::String;
            i = readQuoted(s, i, c, &t.text);
        } else if (c == u'[' || c == u'`') {
            const int j = s.indexOf(c == u'[' ? u']' : u'`', i + 1);
            if (j < 0)
                syntaxError(s, i, QStringLiteral("name without closing bracket"));
            t.kind = Token::Word;
            t.text = s.mid(i + 1, j - i - 1);
            i = j + 1;
        } else {
            static const QStringList twoChar = {QStringLiteral("<="), QStringLiteral(">="),
                                                QStringLiteral("<>"), QStringLiteral("!=")};
            t.kind = Token::Symbol;
            t.text = s.mid(i, 2);
            if (!twoChar.contains(t.text)) {
                t.text = QString(c);
                if (!QStringLiteral("(),.*=<>;-+").contains(c))
                    syntaxError(s, i, QStringLiteral("unexpected character '%1'").arg(c));
            }
            i += int(t.text.size());
        }
        tokens.append(t);
    }
    tokens.append(Token{Token::End, QString(), int(s.size())});
    return tokens;
}

class Parser {
public:
    explicit Parser(const QString &text) : m_text(text), m_tokens(tokenize(text)) {}

    Statement statement()
    {
        Statement result;
        if (acceptKeyword("SELECT"))
            result = select();
        else if (acceptKeyword("INSERT"))
            result = insert();
        else if (acceptKeyword("UPDATE"))
            result = update();
        else
            fail(QStringLiteral("SELECT, INSERT or UPDATE expected"));
        acceptSymbol(";");
        if (peek().kind != Token::End)
            fail(QStringLiteral("unexpected '%1'").arg(peek().text));
        return result;
    }

private:
    const Token &peek(int ahead = 0) const
    {
        return m_tokens[std::min<qsizetype>(m_pos + ahead, m_tokens.size() - 1)];
    }
    [[noreturn]] void fail(const QString &what) const { syntaxError(m_text, peek().pos, what); }

    // Expressions are parsed, evaluated and freed recursively: a statement with more nested
    // parentheses or chained operators than any the program writes is refused before its
    // depth can exhaust the stack.
    static constexpr int MaxOperators = 1000;
    void countOperator()
    {
        if (++m_operators > MaxOperators)
            fail(QStringLiteral("more than %1 operators and parentheses in one statement")
                     .arg(MaxOperators));
    }

    bool isKeyword(const Token &t, const char *word) const
    {
        return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const char *word)
    {
        if (!isKeyword(peek(), word))
            return false;
        ++m_pos;
        return true;
    }
    void expectKeyword(const char *word)
    {
        if (!acceptKeyword(word))
            fail(QStringLiteral("%1 expected").arg(QLatin1String(word)));
    }
    bool acceptSymbol(const char *symbol)
    {
        if (peek().kind != Token::Symbol || peek().text != QLatin1String(symbol))
            return false;
        ++m_pos;
        return true;
    }
    void expectSymbol(const char *symbol)
    {
        if (!acceptSymbol(symbol))
            fail(QStringLiteral("'%1' expected").arg(QLatin1String(symbol)));
    }
    QString name()
    {
        if (peek().kind != Token::Word || isReserved(peek()))
            fail(QStringLiteral("a name expected"));
        return m_tokens[m_pos++].text;
    }
    bool isReserved(const Token &t) const
    {
        for (const char *w : {"SELECT", "FROM", "WHERE", "ORDER", "BY", "SET", "AND", "OR",
                              "NOT", "INSERT", "INTO", "UPDATE", "IS", "NULL"}) {
            if (isKeyword(t, w))
                return true;
        }
        return false;
    }
    ColumnRef columnRef()
    {
        ColumnRef ref;
        ref.field = name();
        if (acceptSymbol(".")) {
            ref.table = ref.field;
            ref.field = name();
        }
        return ref;
    }

    SelectStmt select();
    InsertStmt insert();
    UpdateStmt update();
    SelectItem selectItem();
    ExprPtr orExpr();
    ExprPtr andExpr();
    ExprPtr notExpr();
    ExprPtr comparison();
    ExprPtr primary();

    const QString &m_text;
    QList<Token> m_tokens;
    qsizetype m_pos = 0;
    int m_operators = 0;
};

ExprPtr makeBinary(Expr::Kind kind, ExprPtr left, ExprPtr right, QString op = QString())
{
    auto e = std::make_shared<Expr>();
    e->kind = kind;
    e->left = std::move(left);
    e->right = std::move(right);
    e->op = std::move(op);
    return e;
}

SelectItem Parser::selectItem()
{
    SelectItem item;
    static const QStringList functions = {QStringLiteral("COUNT"), QStringLiteral("AVG"),
                                          QStringLiteral("MIN"),   QStringLiteral("MAX"),
                                          QStringLiteral("SUM"),   QStringLiteral("STDEV")};
    if (peek().kind == Token::Word && peek(1).kind == Token::Symbol && peek(1).text == u'(') {
        item.kind = SelectItem::Aggregate;
        item.function = peek().text.toUpper();
        if (!functions.contains(item.function))
            fail(QStringLiteral("unknown function %1").arg(peek().text));
        m_pos += 2;
        if (item.function == QLatin1String("COUNT") && acceptSymbol("*"))
            item.countAll = true;
        else
            item.column = columnRef();
        expectSymbol(")");
        return item;
    }
    item.column = columnRef();
    return item;
}

SelectStmt Parser::select()
{
    SelectStmt s;
    if (acceptSymbol("*")) {
        s.items.append(SelectItem{SelectItem::Star, QString(), ColumnRef(), false});
    } else {
        do {
            s.items.append(selectItem());
        } while (acceptSymbol(","));
    }
    expectKeyword("FROM");
    s.table = name();
    if (acceptKeyword("WHERE"))
        s.where = orExpr();
    if (acceptKeyword("ORDER")) {
        expectKeyword("BY");
        do {
            OrderItem o;
            o.column = columnRef();
            if (acceptKeyword("DESC"))
                o.descending = true;
            else
                acceptKeyword("ASC");
            s.order.append(o);
        } while (acceptSymbol(","));
    }
    return s;
}

InsertStmt Parser::insert()
{
    InsertStmt s;
    expectKeyword("INTO");
    s.table = name();
    expectSymbol("(");
    do {
        s.columns.append(name());
    } while (acceptSymbol(","));
    expectSymbol(")");
    expectKeyword("SELECT");
    s.source = select();
    return s;
}

UpdateStmt Parser::update()
{
    UpdateStmt s;
    do {
        s.tables.append(name());
    } while (acceptSymbol(","));
    if (s.tables.size() > 2)
        fail(QStringLiteral("at most two tables can be updated together"));
    expectKeyword("SET");
    do {
        Assignment a;
        a.target = columnRef();
        expectSymbol("=");
        a.value = primary();
        s.assignments.append(a);
    } while (acceptSymbol(","));
    if (acceptKeyword("WHERE"))
        s.where = orExpr();
    return s;
}

ExprPtr Parser::orExpr()
{
    ExprPtr e = andExpr();
    while (acceptKeyword("OR")) {
        countOperator();
        e = makeBinary(Expr::Or, e, andExpr());
    }
    return e;
}

ExprPtr Parser::andExpr()
{
    ExprPtr e = notExpr();
    while (acceptKeyword("AND")) {
        countOperator();
        e = makeBinary(Expr::And, e, notExpr());
    }
    return e;
}

ExprPtr Parser::notExpr()
{
    if (acceptKeyword("NOT")) {
        countOperator();
        return makeBinary(Expr::Not, notExpr(), nullptr);
    }
    return comparison();
}

ExprPtr Parser::comparison()
{
    ExprPtr left = primary();
    if (acceptKeyword("IS")) {
        const bool negated = acceptKeyword("NOT");
        expectKeyword("NULL");
        ExprPtr test = makeBinary(Expr::IsNull, left, nullptr);
        return negated ? makeBinary(Expr::Not, test, nullptr) : test;
    }
    static const QStringList ops = {QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("!="),
                                    QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="),
                                    QStringLiteral(">=")};
    if (peek().kind == Token::Symbol && ops.contains(peek().text)) {
        QString op = m_tokens[m_pos++].text;
        if (op == QLatin1String("!="))
            op = QStringLiteral("<>");
        return makeBinary(Expr::Compare, left, primary(), op);
    }
    return left;
}

ExprPtr Parser::primary()
{
    auto e = std::make_shared<Expr>();
    if (acceptSymbol("(")) {
        countOperator();
        ExprPtr inner = orExpr();
        expectSymbol(")");
        return inner;
    }
    const bool negative = acceptSymbol("-");
    if (!negative)
        acceptSymbol("+");
    const Token &t = peek();
    if (peek().kind == Token::Number) {
        e->literal = Value::ofNumber(parseNumber(QStringView(m_tokens[m_pos++].text)));
        if (negative)
            e->literal.number = -e->literal.number;
    } else if (negative) {
        fail(QStringLiteral("a number expected after '-'"));
    } else if (t.kind == Token::String) {
        e->literal = Value::ofText(t.text);
        ++m_pos;
    } else if (acceptKeyword("NULL")) {
        e->literal = Value();
    } else if (t.kind == Token::Word && !isReserved(t)) {
        e->kind = Expr::Column;
        e->column = columnRef();
    } else {
        fail(t.kind == Token::End ? QStringLiteral("unexpected end")
                                  : QStringLiteral("unexpected '%1'").arg(t.text));
    }
    return e;
}

} // namespace

Statement parse(const QString &text)
{
    return Parser(text).statement();
}

int compare(const Value &a, const Value &b, bool *comparable)
{
    *comparable = false;
    if (a.isNull() || b.isNull())
        return 0;
    double x = a.number;
    double y = b.number;
    if (a.kind == Value::Text && b.kind == Value::Text) {
        *comparable = true;
        return QStringView(a.text).trimmed().compare(QStringView(b.text).trimmed());
    }
    if (a.kind == Value::Text)
        x = parseNumber(QStringView(a.text));
    if (b.kind == Value::Text)
        y = parseNumber(QStringView(b.text));
    if (std::isnan(x) || std::isnan(y))
        return 0;
    *comparable = true;
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace sql
