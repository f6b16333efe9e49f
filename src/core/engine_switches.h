#pragma once

#include <QString>

// The engine's switches that the program sets for itself. The engine reads its switches once, as
// it starts, from QTWEBENGINE_CHROMIUM_FLAGS (the program has no command line to pass them on):
// the program's go first and the user's after them, so that the user's still apply and win where
// both set the same one.
namespace engine_switches {

// --no-unsandboxed-zygote: helpers that run without the sandbox anyway are started directly,
// not forked from a second zygote process kept for them. This program's engine starts none (its
// GPU and network services run in the browser process), so that zygote only held 8 MB and, as
// the engine waits for it to start, some 50 ms of every start. Renderers keep their sandbox and
// their zygote.
inline const QString kProgramSwitches = QStringLiteral("--no-unsandboxed-zygote");

// The value for QTWEBENGINE_CHROMIUM_FLAGS, given the user's.
QString withProgramSwitches(const QString& userSwitches);

} // namespace engine_switches
