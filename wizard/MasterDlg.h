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
    // The font the hotline fits the space before the buttons in: the
    // designed one, or a smaller one made for a longer text.
    HGDIOBJ HotlineFont(HDC dc, const std::wstring& text, int available);

    UniqueFont m_hotlineFont;
    UniqueFont m_hotlineFitFont;
};

#endif
