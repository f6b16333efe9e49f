#pragma once

#include <QtGlobal>

// lexivo_core is a shared library that the program, its engine module and the tests all load, so
// each of its functions exists once in a process. Its functions are exported by the build (on
// Windows by WINDOWS_EXPORT_ALL_SYMBOLS); a class with static data, such as a QObject's
// meta-object, carries this mark as well, because Windows imports data only when it is declared
// so.
#if defined(lexivo_core_EXPORTS)
#define LEXIVO_CORE_EXPORT Q_DECL_EXPORT
#else
#define LEXIVO_CORE_EXPORT Q_DECL_IMPORT
#endif
