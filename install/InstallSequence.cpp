#include "install/InstallSequence.h"

#include "context/HelperProtocol.h"
#include "install/DeviceIdMatch.h"
#include "install/PrinterNaming.h"
#include "install/UsbDetection.h"

namespace {

const unsigned kStepsPerStatus = 12;

}  // namespace

InstallSequence::InstallSequence(InstallContext& context, ISetupPage& page, IRunHost& host,
                                 IInstallOperations& operations)
    : m_context(context), m_page(page), m_host(host), m_ops(operations)
{
}

void InstallSequence::OnSetActive()
{
    // The run's clock starts here; every wait of the pacing has its time on it.
    m_scheduleStart = m_host.TickCount();
    m_scheduledMs = 0;
    m_quitting = false;
    m_page.SetPhase(ISetupPage::Phase::Installing);
    ShowStatus(ISetupPage::Status::None, 0);
    m_page.ShowLines(false);
    m_page.PrepareLines();
    m_page.ShowLines(true);

    m_serviceExeName = WidenAscii(helper_protocol::kExeName);
    m_serviceName = WidenAscii(helper_protocol::kServiceName);

    m_page.SetProgressRange(1, 100);
    m_page.SetProgressStep(1);
    m_page.SetProgressPos(0);

    m_page.ShowTestPageButton(false);
    m_page.EnableButton(ISetupPage::Button::Back, false);
    m_page.EnableButton(ISetupPage::Button::Next, false);
    m_page.EnableButton(ISetupPage::Button::Cancel, false);
    m_page.EnableButton(ISetupPage::Button::Finish, false);

    m_completion = CompletionOutcome::NothingToFinish;
    m_registered = false;
    m_resultCode = RunInstallation();

    if (m_resultCode == InstallResult::Interrupted) {
        // The program is ending: nothing more to show or to ask.
    } else if (m_resultCode == InstallResult::Success) {
        CompleteInstallation();
        // In the list of programs, with a copy of the installer for removal.
        m_registered = m_ops.RegisterInstallation(m_context.model);
        if (!m_registered)
            m_page.ReportNotRegistered(m_context.model.displayName);
        ShowStatus(ISetupPage::Status::Succeeded, 0);
        m_page.ShowTestPageButton(true);
    } else {
        m_page.SetProgressPos(100);
        ShowStatus(ISetupPage::Status::Failed, 0);
        m_page.ReportFailure(m_resultCode);
    }
    m_page.SetPhase(ISetupPage::Phase::Complete);
}

void InstallSequence::OnAfterNext()
{
    m_page.EnableButton(ISetupPage::Button::Back, m_resultCode != InstallResult::Success);
}

long InstallSequence::OnWizardBack()
{
    m_page.EnableButton(ISetupPage::Button::Back, true);
    m_page.EnableButton(ISetupPage::Button::Next, true);
    m_page.EnableButton(ISetupPage::Button::Cancel, true);
    m_page.EnableButton(ISetupPage::Button::Finish, false);
    return 0;
}

void InstallSequence::Enumerate(std::vector<std::wstring>& names)
{
    std::uint32_t errorCode = 0;
    if (!m_ops.EnumeratePrinterNames(names, errorCode))
        m_page.ReportPrinterListError(errorCode);
}

InstallResult InstallSequence::RunInstallation()
{
    m_madePort.clear();
    RunSteps();
    // Nothing is left half done: a port made for a printer that was not
    // created goes again.
    if (m_resultCode != InstallResult::Success && !m_madePort.empty())
        m_ops.DeleteMadePort(m_madePort, m_context.model.connectionType);
    m_madePort.clear();
    return m_resultCode;
}

InstallResult InstallSequence::FindNetworkPrinter(std::wstring& port)
{
    const ConnectionSettings& connection = m_context.connection;
    const NetworkProbeResult probe = m_ops.ProbeNetworkPrinter(connection);
    if (!probe.answered) {
        if (!m_page.AskInstallWithoutAnswer(connection.networkHost + L":" + std::to_wstring(connection.networkPort)))
            return InstallResult::NetworkNoAnswer;
    } else if (!probe.deviceId.empty() &&
               !DeviceIdNamesModel(probe.deviceId, probe.deviceIdIsDescription, m_context.model)) {
        if (!m_page.AskInstallOnOtherModel(probe.deviceId))
            return InstallResult::NetworkDeviceNotMatched;
    }
    bool created = false;
    if (!m_ops.PrepareNetworkPort(connection, probe.snmpAnswered, port, created))
        return InstallResult::NetworkPortNotCreated;
    if (created)
        m_madePort = port;
    return InstallResult::Success;
}

InstallResult InstallSequence::FindSerialPrinter(std::wstring& port)
{
    bool created = false;
    const InstallResult result = m_ops.PrepareSerialPort(m_context.connection, port, created);
    if (created)
        m_madePort = port;
    return result;
}

InstallResult InstallSequence::RunSteps()
{
    m_resultCode = InstallResult::Success;
    m_printersBefore.clear();
    m_printersAfter.clear();
    if (static_cast<std::int32_t>(m_context.osMajorVersion) < 5)
        return m_resultCode = InstallResult::SystemTooOld;

    const PrinterModel& model = m_context.model;
    std::wstring port = L"LPT1:";
    m_page.ShowLines(false);

    if (model.connectionType == L"USB") {
        std::wstring description;
        m_resultCode = m_ops.DetectUsbPrinterPort(ModelDeviceKeyName(model, model.usbIdSuffix), description, port);
        if (m_resultCode == InstallResult::UsbDeviceNotMatched && m_page.AskForceInstall())
            m_resultCode = InstallResult::Success;  // forced: goes on with the port as detection left it
    } else if (model.connectionType == L"NET") {
        m_resultCode = FindNetworkPrinter(port);
    } else if (model.connectionType == L"COM") {
        m_resultCode = FindSerialPrinter(port);
    }
    if (m_resultCode != InstallResult::Success)
        return m_resultCode;
    if (m_quitting)
        return m_resultCode = InstallResult::Interrupted;

    m_page.ShowLines(true);
    m_printerName.clear();
    m_keptExisting = false;

    Enumerate(m_printersBefore);
    std::wstring existing;
    if (m_keepExisting && m_ops.FindPrinterOnPort(model.driverName, port, existing))
        return m_resultCode = KeepPrinter(existing, port);
    std::wstring candidate = MakeUniquePrinterName(model.displayName, m_printersBefore, m_page.CopySuffixFormat());
    m_page.SetPrinterName(candidate);
    m_page.SetPortName(port);
    m_page.SetModel(model.driverName);

    ShowStatus(ISetupPage::Status::SystemInfo, kStepsPerStatus);
    ShowStatus(ISetupPage::Status::CopyFiles, kStepsPerStatus);
    if (m_quitting)
        return m_resultCode = InstallResult::Interrupted;

    if (!m_ops.StageDriverFiles(model) || !m_ops.StageInfAndCatalog(model))
        return m_resultCode = InstallResult::FilesNotStaged;

    if (m_context.useLegacyInstall) {
        ShowStatus(ISetupPage::Status::AddDriver, kStepsPerStatus);
        if (m_quitting)
            return m_resultCode = InstallResult::Interrupted;
        if (!m_ops.RegisterPrinterDriver(model))
            return m_resultCode = InstallResult::DriverNotAdded;
        ShowStatus(ISetupPage::Status::AddPrinter, kStepsPerStatus);
        if (m_quitting)
            return m_resultCode = InstallResult::Interrupted;
        if (!m_ops.AddPrinterDirect(candidate, port, model.driverName))
            return m_resultCode = InstallResult::PrinterNotAdded;
    } else {
        ShowStatus(ISetupPage::Status::AddDriver, kStepsPerStatus);
        if (m_quitting)
            return m_resultCode = InstallResult::Interrupted;
        if (!m_ops.InstallPrinterWithPrintUI(model, candidate, port))
            return m_resultCode = InstallResult::PrinterNotCreated;
        ShowStatus(ISetupPage::Status::AddPrinter, kStepsPerStatus);
    }

    Enumerate(m_printersAfter);
    if (m_printersAfter.size() == m_printersBefore.size())
        return m_resultCode = InstallResult::PrinterNotCreated;

    std::wstring newPrinter;
    m_defaultPrinter = DefaultPrinterOutcome::NotSet;
    if (FindNewPrinter(m_printersBefore, m_printersAfter, candidate, newPrinter)) {
        m_defaultPrinter = m_ops.MakeDefaultPrinter(newPrinter, model.connectionType, port);
        m_printerName = newPrinter;
        m_page.SetPrinterName(newPrinter);
    }

    while (m_page.GetProgressPos() < 100 && !m_quitting) {
        m_page.StepProgress();
        WaitPumping(20, 10);
    }
    m_page.UpdatePage();
    m_host.BroadcastSettingChange();
    return m_resultCode = InstallResult::Success;
}

InstallResult InstallSequence::KeepPrinter(const std::wstring& printer, const std::wstring& port)
{
    const PrinterModel& model = m_context.model;
    m_keptExisting = true;
    m_page.SetPrinterName(printer);
    m_page.SetPortName(port);
    m_page.SetModel(model.driverName);
    ShowStatus(ISetupPage::Status::SystemInfo, kStepsPerStatus);
    ShowStatus(ISetupPage::Status::CopyFiles, kStepsPerStatus);
    if (m_quitting)
        return InstallResult::Interrupted;
    if (!m_ops.StageDriverFiles(model) || !m_ops.StageInfAndCatalog(model))
        return InstallResult::FilesNotStaged;
    ShowStatus(ISetupPage::Status::AddDriver, kStepsPerStatus);
    if (m_quitting)
        return InstallResult::Interrupted;
    if (!m_ops.UpdatePrinterDriver(model))
        return InstallResult::DriverNotAdded;
    m_printerName = printer;
    m_printersAfter = m_printersBefore;
    m_defaultPrinter = m_ops.MakeDefaultPrinter(printer, model.connectionType, port);
    while (m_page.GetProgressPos() < 100 && !m_quitting) {
        m_page.StepProgress();
        WaitPumping(20, 10);
    }
    m_page.UpdatePage();
    m_host.BroadcastSettingChange();
    return InstallResult::Success;
}

CompletionOutcome InstallSequence::CompleteInstallation()
{
    const PrinterModel& model = m_context.model;
    // A network or serial printer is no Plug-and-Play device of this
    // computer: it has no records to finish.
    if (model.connectionType != L"LPT" && model.connectionType != L"USB")
        return m_completion = CompletionOutcome::NothingToFinish;
    // A printer kept from before: its device's records are written again
    // only where they are missing, so that a run made again changes nothing.
    if (m_keptExisting && m_ops.DeviceRecordsFinished(model))
        return m_completion = CompletionOutcome::NothingToFinish;
    bool handedOver = false;
    if (model.connectionType == L"LPT") {
        handedOver = m_ops.WriteLptDeviceRecords(model);
    } else if (model.connectionType == L"USB") {
        std::wstring description, port;
        if (m_ops.DetectUsbPrinterPort(ModelDeviceKeyName(model, model.usbIdSuffix), description, port) !=
            InstallResult::Success)
            return m_completion = CompletionOutcome::NothingToFinish;  // no device: no records, no helper
        handedOver = m_ops.WriteUsbDeviceRecords(model);
    } else {
        return m_completion = CompletionOutcome::NothingToFinish;
    }
    // From here on every path that does not end with the helper's run takes
    // the hand-off values away again, and so does the end of its run: the
    // helper takes them when it runs, and what it did not take is stale.
    if (!handedOver) {
        m_ops.ClearHelperHandOff();
        return m_completion = CompletionOutcome::NothingToFinish;
    }
    if (!m_ops.ExtractHelperService(m_serviceExeName)) {
        m_ops.ClearHelperHandOff();
        m_page.ReportHelperNotWritten(model.displayName);
        return m_completion = CompletionOutcome::HelperNotWritten;
    }
    const HelperRunResult run = m_ops.RunHelperServiceOnce(GetHelperServicePath(), m_serviceName);
    m_ops.ClearHelperHandOff();
    if (!run.Ran()) {
        m_page.ReportHelperFailed(model.displayName, run);
        return m_completion = CompletionOutcome::HelperFailed;
    }
    return m_completion = CompletionOutcome::Finished;
}

void InstallSequence::ShowStatus(ISetupPage::Status status, unsigned steps)
{
    // Hidden first, so that the new text is not drawn over the old one.
    m_page.HideStatus();
    WaitPumping(0, 10);
    m_page.ShowStatus(status);
    WaitPumping(0, 10);
    for (unsigned i = 0; i < steps; ++i) {
        m_page.StepProgress();
        WaitPumping(25, 5);
    }
}

void InstallSequence::WaitPumping(unsigned totalMs, unsigned sliceMs)
{
    // The pacing is a schedule on the run's own clock: this wait ends
    // `totalMs` after the time the previous one was due to end, so the time
    // the operations and the repaints took comes out of the waits instead of
    // being added to them. The window is kept painted in between.
    // Once the program has been told to end, there is nothing more to wait
    // for and no message is taken from the loop that is to end it.
    if (m_quitting)
        return;
    m_scheduledMs += totalMs;
    if (!m_host.PumpMessages()) {
        m_quitting = true;
        return;
    }
    if (sliceMs == 0 || !m_paced)
        return;
    for (;;) {
        // Unsigned differences stay right when the clock wraps around.
        const std::uint32_t elapsed = m_host.TickCount() - m_scheduleStart;
        if (elapsed >= m_scheduledMs)
            break;
        const std::uint32_t left = m_scheduledMs - elapsed;
        m_host.Sleep(left < sliceMs ? left : sliceMs);
        if (!m_host.PumpMessages()) {
            m_quitting = true;
            return;
        }
    }
}

std::wstring InstallSequence::GetHelperServicePath()
{
    return HelperProgramPathOf(m_ops.CommonFilesFolder());
}
