// Third page: how the printer is cabled, USB or parallel.
#ifndef QV_WIZARD_CONNECTIONDLG_H
#define QV_WIZARD_CONNECTIONDLG_H

#include "context/InstallContext.h"
#include "wizard/NewWizDialog.h"

class CConnectionDlg : public CNewWizPage {
public:
    explicit CConnectionDlg(InstallContext& context);

    void OnSetActive() override;
    LONG OnWizardNext() override;

    // Enables both choices, then disables and unchecks those the model
    // does not support.
    void UpdateConnectionChoices();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    void SetChoice(int id, bool enabled, bool checked) const;
    void UpdateTabStop() const;

    InstallContext& m_context;
};

#endif
