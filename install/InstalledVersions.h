// Which version of the product runs, and which is installed: what an
// installation compares before it changes anything, so that an older
// release does not replace a newer one unasked.
#ifndef QV_INSTALL_INSTALLEDVERSIONS_H
#define QV_INSTALL_INSTALLEDVERSIONS_H

#include <string>

#include "context/ProductVersion.h"

// The running program's version, from its own version resource (the
// build's version when that cannot be read).
ProductVersion RunningProductVersion();

// The newest version that the entry in the list of programs or the record
// of an installed model names; false when none is installed.
bool NewestInstalledVersion(ProductVersion& newest);

#endif
