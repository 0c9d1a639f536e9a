// The application: detects the platform and runs the wizard once, or, when
// the command line asks for it, an unattended installation.
#ifndef QV_APP_DRIVERAPP_H
#define QV_APP_DRIVERAPP_H

#include "app/CommandLine.h"
#include "context/InstallContext.h"
#include "support/Window.h"

class RunningProgramFile;

class CDriverApp : public CWinApp {
public:
    // `startFolder`: the current folder the program was started in;
    // `program`: the running program's file, held since start-up.
    CDriverApp(const std::wstring& startFolder, const RunningProgramFile& program)
        : m_startFolder(startFolder), m_program(program)
    {
    }

    BOOL InitInstance() override;

private:
    void RunCommandLine(const CommandLineOptions& options);

    InstallContext m_context;
    std::wstring m_startFolder;
    const RunningProgramFile& m_program;
};

#endif
