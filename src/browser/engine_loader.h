#pragma once

#include "browser/browser_engine.h"
#include "browser/browser_export.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QThread;

// Loads the browser engine module in a thread of its own. Loading the engine's libraries (the
// dynamic loader maps and relocates well over a hundred megabytes) is most of a start-up's time;
// done beside the GUI thread, it overlaps the building and the first paint of the window. The
// first candidate file that exists is loaded; ready() or failed() then comes on the thread that
// made the loader. Before it is loaded, the module is checked to be the one the program was built
// with (module_image::digest), so that a damaged one is refused with a reason rather than
// crashing the program. The module's root object, the engine, is made and prepared on the
// loader's thread too, then handed to the GUI thread.
class LEXIVO_BROWSER_EXPORT EngineLoader : public QObject
{
    Q_OBJECT
public:
    // fileName is the module's, for the reason given when no candidate exists; expectedDigest is
    // the module's module_image::digest, recorded when it was built.
    EngineLoader(QString fileName, QStringList candidatePaths, QByteArray expectedDigest,
                 QObject* parent = nullptr);
    // Waits for a load still running: the dynamic loader cannot be interrupted.
    ~EngineLoader() override;

    void start();

Q_SIGNALS:
    // The module is loaded; the engine lives as long as the program.
    void ready(BrowserEngine* engine);
    // No module could be loaded; reason says why, in the loader's own words.
    void failed(const QString& reason);

private:
    static BrowserEngine* load(const QString& fileName, const QStringList& candidates,
                               const QByteArray& expectedDigest, QThread* guiThread,
                               QString* failure);

    QString m_fileName;
    QStringList m_candidates;
    QByteArray m_expectedDigest;
    QThread* m_thread = nullptr;
};
