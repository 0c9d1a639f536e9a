// The application: detects the platform and runs the wizard once, or, when
// the command line asks for it, an unattended installation.
#ifndef QV_APP_DRIVERAPP_H
#define QV_APP_DRIVERAPP_H

#include "app/CommandLine.h"
#include "context/InstallContext.h"
#include "support/Window.h"

class CDriverApp : public CWinApp {
public:
    // `startFolder`: the current folder the program was started in.
    explicit CDriverApp(const std::wstring& startFolder) : m_startFolder(startFolder) {}

    BOOL InitInstance() override;

private:
    void RunCommandLine(const CommandLineOptions& options);

    InstallContext m_context;
    std::wstring m_startFolder;
};

#endif
