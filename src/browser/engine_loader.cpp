#include "browser/engine_loader.h"

#include "browser/opengl_sharing.h"
#include "core/engine_module.h"

#include <QFileInfo>
#include <QPluginLoader>
#include <QThread>

EngineLoader::EngineLoader(QString fileName, QStringList candidatePaths, QObject* parent)
    : QObject(parent), m_fileName(std::move(fileName)), m_candidates(std::move(candidatePaths))
{
}

EngineLoader::~EngineLoader()
{
    if (m_thread)
        m_thread->wait();
}

void EngineLoader::start()
{
    if (m_thread)
        return;
    opengl_sharing::provideForLateEngine();
    QThread* guiThread = thread();
    m_thread = QThread::create([this, guiThread, fileName = m_fileName, candidates = m_candidates] {
        QString failure;
        BrowserEngine* engine = load(fileName, candidates, guiThread, &failure);
        QMetaObject::invokeMethod(
            this,
            [this, engine, failure] {
                if (engine)
                    Q_EMIT ready(engine);
                else
                    Q_EMIT failed(failure);
            },
            Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("engine loader"));
    m_thread->setParent(this);
    m_thread->start();
}

// Runs on the loader's thread.
BrowserEngine* EngineLoader::load(const QString& fileName, const QStringList& candidates,
                                  QThread* guiThread, QString* failure)
{
    QString path;
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        *failure = engine_module::notFoundReason(fileName, candidates);
        return nullptr;
    }
    // The module stays loaded for the program's life, and so does its root object, the engine.
    QPluginLoader plugin(path);
    plugin.setLoadHints(QLibrary::PreventUnloadHint);
    QObject* root = plugin.instance();
    if (!root) {
        *failure = plugin.errorString();
        return nullptr;
    }
    auto* engine = qobject_cast<BrowserEngine*>(root);
    if (!engine) {
        *failure = path + QStringLiteral(" is not a browser engine module");
        return nullptr;
    }
    engine->prepare();
    root->moveToThread(guiThread);
    return engine;
}
