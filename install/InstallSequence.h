// The installation run of the setup page, from the version check to the
// default printer, the device records and the helper service. It reaches the
// page and the machine only through the two interfaces below, so every path
// can be driven with fakes; the program wires in the real page and the real
// operations.
#ifndef QV_INSTALL_INSTALLSEQUENCE_H
#define QV_INSTALL_INSTALLSEQUENCE_H

#include <cstdint>
#include <string>
#include <vector>

#include "app/InstallContext.h"

// The result of one installation run.
enum InstallResult : std::int32_t {
    Success = 0,
    UsbNoPrinter = 1,
    UsbDeviceNotMatched = 2,
    UsbNotAvailable = 10,
    FilesNotStaged = 20,
    PrinterNotCreated = 30,
    DriverNotAdded = 60,
    PrinterNotAdded = 70,
    SystemTooOld = 100,
};

// The string-table id of the message shown for a failed run (0: none).
unsigned MessageIdForResult(std::int32_t result);

// What the run does to the setup page and the wizard around it.
class ISetupPageUi {
public:
    enum Button { Back, Next, Cancel, Finish };

    virtual ~ISetupPageUi() = default;
    virtual std::wstring LoadText(unsigned id) = 0;
    virtual void SetWizardTitle(const std::wstring& text) = 0;
    virtual void SetItemText(int id, const std::wstring& text) = 0;
    virtual void ShowItem(int id, bool show) = 0;
    virtual void EnableButton(Button button, bool enable) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressStep(int step) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void StepProgress() = 0;
    virtual int GetProgressPos() = 0;
    virtual void UpdatePage() = 0;
    // The application message box with the error icon.
    virtual void ShowError(const std::wstring& text) = 0;
    // The Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::wstring& text) = 0;
    // A plain message box with its own caption and an OK button.
    virtual void ShowMessage(const std::wstring& caption, const std::wstring& text) = 0;
    // Dispatches the pending window messages; false when a quit message came.
    virtual bool PumpMessages() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    // A millisecond clock (any origin; it may wrap around).
    virtual std::uint32_t TickCount() = 0;
    // Tells running programs that the default printer changed.
    virtual void BroadcastSettingChange() = 0;
};

// The operations on the machine that the run calls, in its fixed order.
// (MakeDefaultPrinter: the system headers reserve the name SetDefaultPrinter
// for a macro.)
class IInstallOperations {
public:
    virtual ~IInstallOperations() = default;
    virtual std::int32_t DetectUsbPrinterPort(std::wstring& description, std::wstring& port) = 0;
    // Fills `names` (emptied first); false with a message text on failure.
    virtual bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::wstring& errorText) = 0;
    virtual bool StageDriverFiles(const std::wstring& infBaseName) = 0;
    virtual bool StageInfAndCatalog(const std::wstring& infBaseName) = 0;
    virtual bool RegisterPrinterDriver(const std::wstring& infBaseName, const std::wstring& driverName,
                                       const std::wstring& connectionType) = 0;
    virtual bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port) = 0;
    virtual bool InstallPrinterWithPrintUI(const std::wstring& port) = 0;
    virtual void MakeDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                                   const std::wstring& port) = 0;
    virtual void WriteUsbDeviceRecords(const std::wstring& usbIdSuffix) = 0;
    virtual void WriteLptDeviceRecords(const std::wstring& lptIdSuffix) = 0;
    virtual bool ExtractHelperService(const std::wstring& exeName) = 0;
    // The common program-files folder, as the shell reports it.
    virtual std::wstring CommonFilesFolder() = 0;
    virtual void RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName) = 0;
};

// The helper program's path: the common files folder, a backslash unless it
// already ends in one, "Services\" and the program's name.
std::wstring ComposeHelperServicePath(const std::wstring& commonFilesFolder, const std::wstring& exeName);

class InstallSequence {
public:
    InstallSequence(InstallContext& context, ISetupPageUi& ui, IInstallOperations& operations);

    // The page's activation: the whole run with its status, progress, and
    // the message of a failure.
    void OnSetActive();
    // After the frame set its buttons for the last page: Back only after a failure.
    void OnAfterNext();
    // Back to the connection page for another attempt.
    long OnWizardBack();

    std::int32_t RunInstallation();
    bool CompleteInstallation();
    void ShowStatus(const std::wstring& text, unsigned steps, bool repaint);
    void WaitPumping(unsigned totalMs, unsigned sliceMs);
    std::wstring GetHelperServicePath();

    std::int32_t GetResultCode() const { return m_resultCode; }
    const std::wstring& GetPrinterName() const { return m_printerName; }
    const std::vector<std::wstring>& GetPrintersBefore() const { return m_printersBefore; }
    const std::vector<std::wstring>& GetPrintersAfter() const { return m_printersAfter; }

private:
    void Enumerate(std::vector<std::wstring>& names);
    std::wstring Label(unsigned labelId, const std::wstring& value);

    InstallContext& m_context;
    ISetupPageUi& m_ui;
    IInstallOperations& m_ops;

    std::int32_t m_resultCode = 0;
    std::wstring m_printerName;
    std::vector<std::wstring> m_printersBefore;
    std::vector<std::wstring> m_printersAfter;
    std::wstring m_serviceExeName;
    std::wstring m_serviceName;
};

#endif
