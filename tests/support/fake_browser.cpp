#include "fake_browser.h"

FakeBrowser::FakeBrowser() : m_view(new QWidget)
{
    m_view->setFocusPolicy(Qt::StrongFocus);
}

FakeBrowser::~FakeBrowser()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

void FakeBrowser::raiseNavigationStarting(const QString& url)
{
    Q_EMIT navigationStarting(url);
}

void FakeBrowser::raiseNavigationRefused(const QString& url, const QString& reason)
{
    Q_EMIT navigationRefused(url, reason);
}

void FakeBrowser::raiseDocumentComplete(const QString& url)
{
    Q_EMIT documentComplete(url);
}

void FakeBrowser::raiseLookUpRequested(QueryKey key, const QString& word)
{
    Q_EMIT lookUpRequested(key, word);
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
