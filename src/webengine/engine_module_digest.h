#pragma once

#include <QByteArray>

// The engine module's module_image::digest (core/module_image.h), recorded when the module was
// built (by module_digest_tool.cpp): the one module the program loads.
QByteArray engineModuleDigest();
