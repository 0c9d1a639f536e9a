// Last page: runs the installation when it is shown.
#ifndef QV_WIZARD_SETUPDLG_H
#define QV_WIZARD_SETUPDLG_H

#include "app/InstallContext.h"
#include "wizard/NewWizDialog.h"

class CSetupDlg : public CNewWizPage {
public:
    explicit CSetupDlg(InstallContext& context);
    ~CSetupDlg() override;

    void OnSetActive() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;

private:
    InstallContext& m_context;
    HFONT m_headingFont = nullptr;
};

#endif
