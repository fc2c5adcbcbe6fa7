#include "app/view/joinstatus.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

JoinStatus::JoinStatus(QWidget *parent) : QToolButton(parent)
{
    setObjectName(QStringLiteral("Join"));
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The width comes from the status bar's share, not from the text: the panels beside it
    // keep their places whatever the line says.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setEnabled(false);
    connect(this, &QToolButton::clicked, this, [this] { showDetails(); });
}

void JoinStatus::setSummary(const JoinSummary &summary)
{
    m_summary = summary;
    m_line = summary.line();
    setToolTip(m_line + QStringLiteral("\nClick for the lists of statistics rows without a region "
                                       "and regions without a row."));
    showLine();
    setEnabled(true);
    if (m_details) {
        if (auto *text = m_details->findChild<QPlainTextEdit *>())
            text->setPlainText(summary.details());
    }
}

void JoinStatus::clearSummary()
{
    m_summary = JoinSummary();
    m_line.clear();
    setToolTip(QString());
    setText(QString());
    setEnabled(false);
    if (m_details)
        m_details->close();
}

void JoinStatus::showLine()
{
    setText(fontMetrics().elidedText(m_line, Qt::ElideRight, std::max(40, width() - 12)));
}

void JoinStatus::resizeEvent(QResizeEvent *event)
{
    QToolButton::resizeEvent(event);
    showLine();
}

QDialog *JoinStatus::showDetails()
{
    if (!m_details) {
        auto *dialog = new QDialog(window());
        dialog->setObjectName(QStringLiteral("frmJoinDetails"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(QStringLiteral("Statistics rows and regions"));
        auto *layout = new QVBoxLayout(dialog);
        auto *text = new QPlainTextEdit(dialog);
        text->setObjectName(QStringLiteral("txtJoinDetails"));
        text->setReadOnly(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        layout->addWidget(text);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QPushButton *copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
        copy->setObjectName(QStringLiteral("cmdCopy"));
        connect(copy, &QPushButton::clicked, text,
                [text] { QApplication::clipboard()->setText(text->toPlainText()); });
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        dialog->resize(520, 420);
        m_details = dialog;
    }
    if (auto *text = m_details->findChild<QPlainTextEdit *>())
        text->setPlainText(m_summary.details());
    m_details->show();
    m_details->raise();
    return m_details;
}
