// Last page: runs the installation when it is shown, then offers the test
// page.
#ifndef QV_WIZARD_SETUPDLG_H
#define QV_WIZARD_SETUPDLG_H

#include <memory>

#include "context/InstallContext.h"
#include "install/InstallSequence.h"
#include "install/RecordingOperations.h"
#include "install/SystemRunHost.h"
#include "wizard/NewWizDialog.h"

// Asks the page to print the test page; posted before the test-page dialog
// runs, so the command has run by the time the dialog shows.
const UINT WM_INSTALL_PRINT_TEST_PAGE = WM_USER + 10;

class CSetupDlg : public CNewWizPage, private ISetupPage {
public:
    // The real machine's operations, which copy `program` (the running
    // program's file, held since start-up) under Program Files.
    CSetupDlg(InstallContext& context, const RunningProgramFile& program);
    // The given operations.
    CSetupDlg(InstallContext& context, IInstallOperations& operations);
    ~CSetupDlg() override;

    void OnSetActive() override;
    void OnAfterNext() override;
    LONG OnWizardBack() override;

    const std::wstring& GetPrinterName() const { return m_sequence.GetPrinterName(); }

    // Sets landscape orientation and A3 paper as the printer's defaults.
    void ApplyPrinterDefaults();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnDestroy() override;

private:
    void OnTestPage();
    void ShowSystemError();

    // What the installation run shows on this page.
    void SetPhase(Phase phase) override;
    void PrepareLines() override;
    void ShowLines(bool show) override;
    void SetPrinterName(const std::wstring& name) override;
    void SetPortName(const std::wstring& port) override;
    void SetModel(const std::wstring& driverName) override;
    void HideStatus() override;
    void ShowStatus(Status status) override;
    void ShowTestPageButton(bool show) override;
    void EnableButton(Button button, bool enable) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressStep(int step) override;
    void SetProgressPos(int pos) override;
    void StepProgress() override;
    int GetProgressPos() override;
    void UpdatePage() override;
    std::wstring CopySuffixFormat() override;
    void ReportFailure(InstallResult result) override;
    void ReportPrinterListError(std::uint32_t errorCode) override;
    bool AskForceInstall() override;
    bool AskInstallOnOtherModel(const std::wstring& printerSays) override;
    bool AskInstallWithoutAnswer(const std::wstring& address) override;
    void ReportHelperNotWritten(const std::wstring& modelName) override;
    void ReportHelperFailed(const std::wstring& modelName, const HelperRunResult& result) override;
    void ReportNotRegistered(const std::wstring& modelName) override;

    SystemRunHost m_host;
    std::unique_ptr<RecordedMachine> m_ownOperations;
    InstallSequence m_sequence;
};

#endif
