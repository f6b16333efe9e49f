#pragma once

// The web engine draws through Qt Quick and expects the application to share OpenGL contexts
// through one shared context, which QGuiApplication makes at start when asked to before it is
// built. Made at start, that context costs tens of milliseconds where OpenGL is software (under
// Xvfb: Mesa's llvmpipe), before the window can appear; but an engine loaded later without any
// shared context fails on reading its format. With the software scene graph the engine uses no
// OpenGL and reads only that format, so the program gives it a shared context that is never
// created; a user who chooses a scene graph with QT_QUICK_BACKEND gets the real one, as before.
namespace opengl_sharing {

// Before the application object.
void requestBeforeApplication();

// After the application object, before the engine is loaded (EngineLoader::start).
void provideForLateEngine();

} // namespace opengl_sharing
