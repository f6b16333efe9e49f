#include "webengine/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>

FindBar::FindBar(QWidget* view, QWebEngineView* webView)
    : QFrame(view), m_webView(webView), m_edit(new QLineEdit(this)), m_result(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    m_edit->setObjectName(QStringLiteral("findText"));
    m_edit->setAccessibleName(QStringLiteral("Find in page"));
    m_edit->setPlaceholderText(QStringLiteral("Find in page"));
    m_edit->installEventFilter(this);
    m_result->setObjectName(QStringLiteral("findResult"));
    m_result->setMinimumWidth(
        m_result->fontMetrics().horizontalAdvance(QStringLiteral("999 of 999")));

    auto makeButton = [this](Qt::ArrowType arrow, const QString& name) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(name);
        button->setAccessibleName(name);
        return button;
    };
    QToolButton* previous = makeButton(Qt::UpArrow, QStringLiteral("Previous"));
    QToolButton* next = makeButton(Qt::DownArrow, QStringLiteral("Next"));
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("\u00d7"));
    closeButton->setAutoRaise(true);
    closeButton->setFocusPolicy(Qt::NoFocus);
    closeButton->setToolTip(QStringLiteral("Close"));
    closeButton->setAccessibleName(QStringLiteral("Close"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 2, 2);
    row->setSpacing(2);
    row->addWidget(m_edit, 1);
    row->addWidget(m_result);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(closeButton);

    connect(previous, &QToolButton::clicked, this, [this] { findNext(true); });
    connect(next, &QToolButton::clicked, this, [this] { findNext(false); });
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    // As the text is typed, the first match from the top.
    connect(m_edit, &QLineEdit::textEdited, this, [this] { findNext(false); });
    connect(webView->page(), &QWebEnginePage::findTextFinished, this, &FindBar::onFound);
    view->installEventFilter(this);
    hide();
}

void FindBar::open()
{
    place();
    show();
    raise();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void FindBar::close()
{
    if (isHidden())
        return;
    hide();
    showResult(QString());
    m_webView->page()->findText(QString()); // takes the highlights away
    m_webView->setFocus(Qt::OtherFocusReason);
}

void FindBar::findNext(bool backward)
{
    if (m_edit->text().isEmpty()) {
        showResult(QString());
        m_webView->page()->findText(QString());
        return;
    }
    m_webView->page()->findText(m_edit->text(), backward ? QWebEnginePage::FindBackward
                                                         : QWebEnginePage::FindFlags());
}

QString FindBar::resultText() const
{
    return m_result->text();
}

void FindBar::onFound(const QWebEngineFindTextResult& result)
{
    if (isHidden() || m_edit->text().isEmpty())
        return;
    if (result.numberOfMatches() == 0)
        showResult(QStringLiteral("Not found"));
    else
        showResult(
            QStringLiteral("%1 of %2").arg(result.activeMatch()).arg(result.numberOfMatches()));
}

void FindBar::showResult(const QString& text)
{
    m_result->setText(text);
    // Read with the box, and told as it changes (the box has the focus): the label beside it is
    // not where a screen reader looks.
    m_edit->setAccessibleDescription(text);
}

void FindBar::place()
{
    const int width = qMin(parentWidget()->width(), fontMetrics().averageCharWidth() * 48);
    setGeometry(parentWidget()->width() - width, 0, width, sizeHint().height());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    if (watched == m_edit && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Escape closes the box, also while a page loads
        return true;
    }
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            findNext(key->modifiers() & Qt::ShiftModifier);
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
