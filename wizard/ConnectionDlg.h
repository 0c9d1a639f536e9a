// Third page: how the printer is connected: a USB or parallel cable, the
// network, or a serial port. The two cable choices show their pictures; the
// network and serial choices show the fields they need in the pictures'
// place.
#ifndef QV_WIZARD_CONNECTIONDLG_H
#define QV_WIZARD_CONNECTIONDLG_H

#include "context/InstallContext.h"
#include "wizard/NewWizDialog.h"

class CConnectionDlg : public CNewWizPage {
public:
    explicit CConnectionDlg(InstallContext& context);

    void OnSetActive() override;
    LONG OnWizardNext() override;

    // Enables every choice, then disables and unchecks those the model
    // does not offer.
    void UpdateConnectionChoices();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    void SetChoice(int id, bool enabled, bool checked) const;
    bool IsChosen(int id) const;
    // The checked choice that is enabled; 0 for none.
    int ChosenConnection() const;
    void UpdateTabStop() const;
    // The cables' pictures, or the fields of the network or serial choice.
    void ShowChoiceFields();
    // The computer's serial ports now, keeping the one chosen.
    void FillSerialPorts();
    // The fields read into `settings`; false after saying what is wrong,
    // with the focus on the field.
    bool ReadNetworkFields(ConnectionSettings& settings);
    bool ReadSerialFields(ConnectionSettings& settings);
    void Refuse(int fieldId, const std::wstring& text);

    InstallContext& m_context;
};

#endif
