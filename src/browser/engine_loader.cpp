#include "browser/engine_loader.h"

#include "browser/opengl_sharing.h"
#include "core/engine_module.h"
#include "core/module_image.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QThread>

namespace {

QString firstExisting(const QStringList& candidates)
{
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

// Why the module at path must not be loaded, or nothing. A module that is not the one the program
// was built with would crash the program in the dynamic loader or at its first call, so its
// digest is compared before it is loaded; a file that is no engine module at all (no plugin, or a
// plugin of another kind) is told apart first by its plugin data, read without loading it.
QString refusal(const QString& path, QPluginLoader& plugin, const QByteArray& expectedDigest)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return engine_module::unreadableReason(path, file.errorString());
    const QJsonObject metaData = plugin.metaData();
    if (metaData.isEmpty())
        return plugin.errorString();
    if (metaData.value(QLatin1String("IID")).toString() != QLatin1String(LexivoBrowserEngine_iid))
        return path + QStringLiteral(" is not a browser engine module");
    const uchar* mapped = file.map(0, file.size());
    const QByteArray contents =
        mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size())
               : file.readAll();
    if (module_image::digest(contents) != expectedDigest)
        return engine_module::damagedReason(path);
    return QString();
}

} // namespace

EngineLoader::EngineLoader(QString fileName, QStringList candidatePaths, QByteArray expectedDigest,
                           QObject* parent)
    : QObject(parent), m_fileName(std::move(fileName)), m_candidates(std::move(candidatePaths)),
      m_expectedDigest(std::move(expectedDigest))
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
    m_thread = QThread::create([this, guiThread, fileName = m_fileName, candidates = m_candidates,
                                digest = m_expectedDigest] {
        QString failure;
        BrowserEngine* engine = load(fileName, candidates, digest, guiThread, &failure);
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
                                  const QByteArray& expectedDigest, QThread* guiThread,
                                  QString* failure)
{
    const QString path = firstExisting(candidates);
    if (path.isEmpty()) {
        *failure = engine_module::notFoundReason(fileName, candidates);
        return nullptr;
    }
    // The module stays loaded for the program's life, and so does its root object, the engine.
    QPluginLoader plugin(path);
    plugin.setLoadHints(QLibrary::PreventUnloadHint);
    *failure = refusal(path, plugin, expectedDigest);
    if (!failure->isEmpty())
        return nullptr;
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
