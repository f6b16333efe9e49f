#pragma once

#include "core/core_export.h"

#include <QByteArray>

// What the dynamic loader takes from a shared library, so that a module can be checked before it
// is loaded: a damaged one would crash the program inside the loader or at its first call.
namespace module_image {

// The SHA-256 digest, in hex, of what the loader maps of an ELF file: its header (without the
// fields that locate the section headers), its program headers and the file bytes of its
// loadable segments. Stripping (strip, and packagers' strip --strip-unneeded
// --remove-section=.comment) removes only sections that are not loaded and moves the section
// headers, so it leaves the digest as it was. Any other file (a Windows DLL) is digested whole.
// Empty for an ELF file whose headers point outside it.
QByteArray digest(const QByteArray& contents);

} // namespace module_image
