// This program's wizard: localised buttons, the page area and the service
// hotline painted under it.
#ifndef QV_WIZARD_MASTERDLG_H
#define QV_WIZARD_MASTERDLG_H

#include "wizard/NewWizDialog.h"

class CMasterDlg : public CNewWizDialog {
public:
    CMasterDlg();
    ~CMasterDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;

private:
    UniqueFont m_hotlineFont;
};

#endif
