// The application: detects the platform and runs the wizard once.
#ifndef QV_APP_DRIVERAPP_H
#define QV_APP_DRIVERAPP_H

#include "context/InstallContext.h"
#include "support/Window.h"

class CDriverApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    InstallContext m_context;
};

#endif
