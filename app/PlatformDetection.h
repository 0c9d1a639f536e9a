// The platform queries behind the installation context.
#ifndef QV_APP_PLATFORMDETECTION_H
#define QV_APP_PLATFORMDETECTION_H

#include "context/InstallContext.h"
#include "context/PlatformSettings.h"

// Asks the running system (version, WOW64, processor architecture).
PlatformFacts QueryPlatformFacts();

// Fills the platform fields of `context` from the running system.
void DetectPlatform(InstallContext& context);

// DetectPlatform followed by the derived settings, as start-up does.
void InitialisePlatformContext(InstallContext& context);

#endif
