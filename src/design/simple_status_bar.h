#pragma once

#include <QStatusBar>

class QLabel;

// A status bar in "simple" style: one text across its whole width. text() reads back
// exactly what was last written. The text lives in a label of its own, so nothing but
// setText() changes it; in particular menu status tips (which a main window turns into
// showMessage() calls) cannot wipe it.
class SimpleStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit SimpleStatusBar(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

private:
    QLabel* m_label;
    QString m_text;
};
