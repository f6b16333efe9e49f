#pragma once

#include <QtGlobal>

// lexivo_browser is a shared library, loaded once by the program and by the engine module, so
// that the seam's types, their meta-objects and their signals are one and the same on both sides.
// As in core/core_export.h, the build exports its functions and classes with static data carry
// this mark.
#if defined(lexivo_browser_EXPORTS)
#define LEXIVO_BROWSER_EXPORT Q_DECL_EXPORT
#else
#define LEXIVO_BROWSER_EXPORT Q_DECL_IMPORT
#endif
