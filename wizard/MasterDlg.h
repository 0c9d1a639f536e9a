// This program's wizard: localised buttons, the page area and the service
// hotline painted under it.
#ifndef QV_WIZARD_MASTERDLG_H
#define QV_WIZARD_MASTERDLG_H

#include "wizard/NewWizDialog.h"

// The wizard window of another run of this program (found by the mark its
// frame carries, never by its title, which changes with the page and the
// language), restored when minimised and brought to the front. False when
// no run shows one (an unattended run has no window).
bool BringRunningWizardToFront();

class CMasterDlg : public CNewWizDialog {
public:
    CMasterDlg();
    ~CMasterDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    void OnDestroy() override;
};

#endif
