// Tells the user that the test page is on its way; the caption names the
// printer.
#ifndef QV_WIZARD_PRINTTESTPAGEDIALOG_H
#define QV_WIZARD_PRINTTESTPAGEDIALOG_H

#include <string>

#include "support/Window.h"

class CPrintTestPageDialog : public CDialog {
public:
    CPrintTestPageDialog();

    std::wstring m_printerNameText;

protected:
    BOOL OnInitDialog() override;
};

#endif
