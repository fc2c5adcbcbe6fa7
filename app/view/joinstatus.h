#pragma once

#include "app/view/joinsummary.h"

#include <QPointer>
#include <QToolButton>

class QDialog;

// The join line in the window's status bar, shown after a map is made. A click opens a list
// of both kinds of mismatch (statistics rows without a region, regions without a row) whose
// text can be selected and copied.
class JoinStatus : public QToolButton {
    Q_OBJECT

public:
    explicit JoinStatus(QWidget *parent = nullptr);

    void setSummary(const JoinSummary &summary);
    void clearSummary();
    const JoinSummary &summary() const { return m_summary; }

    // Opens (or raises) the list of mismatches; the dialog stays open beside the window.
    QDialog *showDetails();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The line as wide as the button allows, cut at the end ("…"); the whole in the tool tip.
    void showLine();

    JoinSummary m_summary;
    QString m_line;
    QPointer<QDialog> m_details;
};
