// The helper's registry: 8-bit names and texts with the ANSI registry calls,
// the same implementation as the installer's wide one.
#ifndef QV_HELPER_HELPERREGISTRY_H
#define QV_HELPER_HELPERREGISTRY_H

#include "support/Registry.h"

using CHelperRegistry = BasicRegistry<char>;

#endif
