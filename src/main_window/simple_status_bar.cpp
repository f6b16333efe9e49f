#include "simple_status_bar.h"

#include <QLabel>

SimpleStatusBar::SimpleStatusBar(QWidget* parent) : QStatusBar(parent), m_label(new QLabel(this))
{
    m_label->setObjectName(QStringLiteral("SimpleTextLabel"));
    m_label->setTextFormat(Qt::PlainText); // addresses may contain '<' and '&'
    m_label->setMinimumWidth(1);           // a long address must not widen the window
    m_label->setFrameStyle(QFrame::Panel | QFrame::Sunken); // shows where the bar is when empty
    addWidget(m_label, 1);
}

void SimpleStatusBar::setSimpleText(const QString& text)
{
    m_text = text;
    m_label->setText(text);
}
