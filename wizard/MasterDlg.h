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

private:
    // The font the hotline fits the space before the buttons in: the
    // designed one, or a smaller one made for a longer text.
    HGDIOBJ HotlineFont(HDC dc, const std::wstring& text, int available);

    UniqueFont m_hotlineFont;
    UniqueFont m_hotlineFitFont;
};

#endif
