#include "browser/opengl_sharing.h"

#include <QCoreApplication>
#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
// QtGui's shared context (QOpenGLContext::globalShareContext() reads it).
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace opengl_sharing {

bool sceneGraphChosenByUser()
{
    return qEnvironmentVariableIsSet("QT_QUICK_BACKEND");
}

void requestBeforeApplication()
{
    if (sceneGraphChosenByUser())
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    else if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

void provideForLateEngine()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // Lives as long as the application, as Qt's own would.
    qt_gl_set_global_share_context(new QOpenGLContext(QCoreApplication::instance()));
}

} // namespace opengl_sharing
