#include "app/DriverApp.h"

#include <memory>

#include "app/PlatformDetection.h"
#include "wizard/ConnectionDlg.h"
#include "wizard/MasterDlg.h"
#include "wizard/SetupDlg.h"
#include "wizard/TypeDlg.h"
#include "wizard/WelcomeDlg.h"
#include "wizard/res/resource.h"

BOOL CDriverApp::InitInstance()
{
    InitialisePlatformContext(m_context);

    std::unique_ptr<CMasterDlg> wizard(new CMasterDlg());
    std::unique_ptr<CWelcomeDlg> welcome(new CWelcomeDlg());
    std::unique_ptr<CConnectionDlg> connection(new CConnectionDlg(m_context));
    std::unique_ptr<CTypeDlg> model(new CTypeDlg(m_context));
    std::unique_ptr<CSetupDlg> setup(new CSetupDlg(m_context));

    // Until the model page is left, the cable defaults to USB.
    m_context.model.connectionType = L"USB";

    wizard->AddPage(*welcome, IDD_WELCOME);
    wizard->AddPage(*model, IDD_MODEL);
    wizard->AddPage(*connection, IDD_CONNECTION);
    wizard->AddPage(*setup, IDD_SETUP);
    wizard->DoModal();

    setup.reset();
    model.reset();
    connection.reset();
    welcome.reset();
    wizard.reset();
    // The application ends once its wizard has closed.
    return FALSE;
}
