#include "bandwise/numberkeyfilter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool allowedChar(QChar c, NumberKeyFilter::Allowed allowed) {
    return c.isDigit() || (allowed.minus && c == u'-') ||
           (!allowed.decimal.isNull() && c == allowed.decimal);
}

} // namespace

NumberKeyFilter::NumberKeyFilter(QLineEdit *edit, Allowed allowed)
    : QObject(edit), m_edit(edit), m_allowed(allowed) {
    edit->installEventFilter(this);
    // Typing is filtered key by key; this catches pasted and dropped text.
    connect(edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString clean = Clean(text, m_allowed);
        if (clean != text) {
            const int cursor = m_edit->cursorPosition() - int(text.size() - clean.size());
            m_edit->setText(clean);
            m_edit->setCursorPosition(std::max(cursor, 0));
        }
    });
}

QString NumberKeyFilter::Clean(const QString &text, Allowed allowed) {
    QString clean;
    for (QChar c : text)
        if (allowedChar(c, allowed))
            clean.append(c);
    return clean;
}

bool NumberKeyFilter::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        emit committed();
        return true;
    }
    // Shortcuts and keys that type nothing (arrows, Delete, Tab, ...) are the box's own.
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier))
        return false;
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false;
    for (QChar c : text)
        if (!allowedChar(c, m_allowed))
            return true;
    return false;
}
