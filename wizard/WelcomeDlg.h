// First page: greeting, what will be installed, and the maker's web link.
#ifndef QV_WIZARD_WELCOMEDLG_H
#define QV_WIZARD_WELCOMEDLG_H

#include <string>

#include "support/HyperLink.h"
#include "wizard/NewWizDialog.h"

class CWelcomeDlg : public CNewWizPage {
public:
    CWelcomeDlg();
    ~CWelcomeDlg() override;

    void OnSetActive() override;

    // The maker's web site, opened by the link.
    static const wchar_t* MakerAddress();

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;

private:
    CHyperLink m_link;
};

#endif
