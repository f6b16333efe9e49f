#include "fake_browser.h"

FakeBrowser::FakeBrowser() : m_view(new QWidget)
{
    m_view->setFocusPolicy(Qt::StrongFocus);
}

FakeBrowser::~FakeBrowser()
{
    if (!m_view->parent())
        delete m_view;
}

bool FakeBrowser::raiseBeforeNavigate2(const QString& url)
{
    bool cancel = false;
    Q_EMIT BeforeNavigate2(url, cancel);
    return cancel;
}

bool FakeBrowser::raiseNewWindow2()
{
    bool cancel = false;
    Q_EMIT NewWindow2(cancel);
    return cancel;
}

void FakeBrowser::raiseDocumentComplete(const QString& url)
{
    Q_EMIT DocumentComplete(url);
}

QWidget* FakeBrowser::makeContent()
{
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("FakeContent"));
    content->setFocusPolicy(Qt::StrongFocus);
    content->setParent(m_view);
    m_view->setFocusProxy(content);
    content->show();
    return content;
}
