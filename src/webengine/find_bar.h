#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEngineView;

// A small find box laid over the top right corner of the page, in the browser's view beside the
// page's own. It searches the page as the text is typed; Enter finds the next match, Shift+Enter
// the previous one (as do the browser's find keys, F3 and Shift+F3), Escape closes it. It moves
// no control of the window.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    // A child of view, over webView, which fills it.
    FindBar(QWidget* view, QWebEngineView* webView);

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
    void showResult(const QString& text);

    QWebEngineView* m_webView;
    QLineEdit* m_edit;
    QLabel* m_result;
};
