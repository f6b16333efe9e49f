#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEngineView;

// A small find box laid over the top right corner of the browser view. It searches the page as
// the text is typed; Enter or F3 finds the next match, Shift+Enter or Shift+F3 the previous one,
// Escape closes it. It moves no control of the window.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    explicit FindBar(QWebEngineView* view);

    // Shows the box, or selects its text when it is shown already, and gives it the focus.
    void open();
    void close();
    void findNext(bool backward);
    QLineEdit* edit() const { return m_edit; }
    // "Not found", "<n> of <count>", or empty.
    QString resultText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void onFound(const QWebEngineFindTextResult& result);

    QWebEngineView* m_view;
    QLineEdit* m_edit;
    QLabel* m_result;
};
