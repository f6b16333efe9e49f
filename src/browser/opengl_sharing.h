#pragma once

// The program draws nothing through OpenGL: its widgets are raster, the engine's view uses Qt
// Quick's software scene graph and the engine composes its pages without the GPU. Yet merely
// asking the X11 platform whether it can do OpenGL, as the engine does when it starts, loads the
// OpenGL stack (under Xvfb: Mesa with LLVM), which costs about 50 ms warm, far more from a cold
// disk, and memory. So unless the user chooses a scene graph with QT_QUICK_BACKEND, the platform
// is told to load no OpenGL integration (QT_XCB_GL_INTEGRATION, unless the user set it).
//
// The engine also expects the application to share OpenGL contexts through one shared context,
// which QGuiApplication makes at start when asked to before it is built; an engine loaded later
// without any fails on reading the context's format. It reads no more than that format, so it
// gets a shared context that is never created. A user who chooses a scene graph gets the real
// one, made at start as before.
namespace opengl_sharing {

// Whether the user chose Qt Quick's scene graph (QT_QUICK_BACKEND); otherwise the program's
// software scene graph is used.
bool sceneGraphChosenByUser();

// Before the application object.
void requestBeforeApplication();

// After the application object, before the engine is loaded (EngineLoader::start).
void provideForLateEngine();

} // namespace opengl_sharing
