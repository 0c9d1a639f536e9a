// Second page: the models found in the INF files beside the program.
#ifndef QV_WIZARD_TYPEDLG_H
#define QV_WIZARD_TYPEDLG_H

#include <string>

#include "context/InstallContext.h"
#include "catalog/ModelCatalogue.h"
#include "wizard/NewWizDialog.h"
#include "wizard/PageLayout.h"

class CTypeDlg : public CNewWizPage {
public:
    explicit CTypeDlg(InstallContext& context);

    void OnSetActive() override;
    LONG OnWizardNext() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    void OnDestroy() override;

private:
    void OnModelSelChange();
    // Moves the selected model's name clear of the label's text.
    void PlaceSelection(const std::wstring& text);

    InstallContext& m_context;
    ModelCatalogue m_catalogue;  // list line i is entry i
    TextBox m_nameTemplateBox;   // where the template puts the name
    bool m_namePlaced = false;
};

#endif
