#include "design/simple_status_bar.h"

#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

namespace {

// No status bar shows more characters than this; from a longer text the label gets its start
// and its end (where the dots grow), so that drawing it costs the same for any length.
constexpr qsizetype kShownEnds = 1000;

// Shows as much of the text as fits, the middle elided, and does so again when resized.
class ElidingLabel : public QLabel
{
public:
    using QLabel::QLabel;

    void setFullText(const QString& text)
    {
        m_fullText = text;
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide()
    {
        const QString ends =
            m_fullText.size() > 2 * kShownEnds
                ? m_fullText.left(kShownEnds) + QChar(0x2026) + m_fullText.right(kShownEnds)
                : m_fullText;
        const int width = contentsRect().width() - 2 * margin() - 2 * std::max(indent(), 0);
        setText(fontMetrics().elidedText(ends, Qt::ElideMiddle, std::max(width, 0)));
    }

    QString m_fullText;
};

} // namespace

SimpleStatusBar::SimpleStatusBar(QWidget* parent)
    : QStatusBar(parent), m_label(new ElidingLabel(this))
{
    m_label->setObjectName(QStringLiteral("SimpleTextLabel"));
    m_label->setTextFormat(Qt::PlainText); // addresses may contain '<' and '&'
    m_label->setMinimumWidth(1);           // a long address must not widen the window
    m_label->setFrameStyle(QFrame::Panel | QFrame::Sunken); // shows where the bar is when empty
    addWidget(m_label, 1);
}

void SimpleStatusBar::setText(const QString& text)
{
    m_text = text;
    static_cast<ElidingLabel*>(m_label)->setFullText(text);
}
