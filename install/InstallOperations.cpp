#include "install/InstallOperations.h"

#include <shlobj.h>

#include "install/DeviceDetection.h"
#include "install/DeviceRecords.h"
#include "install/DriverRegistration.h"
#include "install/InstallRecordStore.h"
#include "install/LocalPorts.h"
#include "install/NetworkAddress.h"
#include "install/Printers.h"
#include "install/SerialPorts.h"
#include "install/TcpIpPort.h"
#include "install/ServiceHelper.h"
#include "support/MessageLoop.h"
#include "support/Security.h"

namespace {

// How long the probe may take in all: a printer on the shop's network
// answers within milliseconds; one that is switched off never does.
const unsigned kProbeTimeoutMs = 3000;

// The UDP port of the printers' SNMP agents: 161, unless an administrator
// set another (0 for none) in the installer's policy key, for networks that
// move the agents. Read in the 64-bit view on 64-bit Windows, where policy
// tools write.
unsigned short SnmpPortSetting(const InstallContext& context)
{
    const REGSAM view = context.isWow64 ? KEY_WOW64_64KEY : 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Quorvex\\Printer Driver", 0, KEY_QUERY_VALUE | view,
                      &key) != ERROR_SUCCESS)
        return kSnmpAgentPort;
    DWORD type = 0, value = 0, size = sizeof(value);
    const bool read = RegQueryValueExW(key, L"SnmpPort", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                          ERROR_SUCCESS &&
                      type == REG_DWORD && size == sizeof(value) && value <= 65535;
    RegCloseKey(key);
    return read ? static_cast<unsigned short>(value) : kSnmpAgentPort;
}

// The probe and what it was asked, for the thread that runs it.
struct ProbeJob {
    std::wstring host;
    unsigned port = 0;
    unsigned short snmpPort = 0;
    NetworkProbeResult result;
};

DWORD WINAPI RunProbe(void* parameter)
{
    ProbeJob& job = *static_cast<ProbeJob*>(parameter);
    job.result = ProbeNetworkPrinter(job.host, job.port, job.snmpPort, kProbeTimeoutMs);
    return 0;
}

// The probe on a thread of its own while this thread goes on dispatching
// its window messages: the wizard stays painted for the seconds a printer
// that is switched off takes. Where no thread can be made, on this one.
NetworkProbeResult ProbeWhilePumping(ProbeJob& job)
{
    DWORD id = 0;
    UniqueKernelHandle thread(CreateThread(nullptr, 0, RunProbe, &job, 0, &id));
    if (!thread.IsValid()) {
        RunProbe(&job);
        return job.result;
    }
    HANDLE handle = thread.Get();
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            break;  // the probe ended (or the wait failed: the thread is waited for below)
        // A quit message is posted again for the loop that owns it; the
        // probe is bounded and ends by itself.
        message_loop::DispatchPending();
    }
    WaitForSingleObject(handle, INFINITE);
    return job.result;
}

}  // namespace

SystemInstallOperations::SystemInstallOperations(const InstallContext& context, const RunningProgramFile& program)
    : m_program(program), m_context(context), m_stager(context)
{
}

InstallContext SystemInstallOperations::WithModel(const PrinterModel& model) const
{
    InstallContext context = m_context;
    context.model = model;
    return context;
}

InstallResult SystemInstallOperations::DetectUsbPrinterPort(const std::wstring& deviceKeyName,
                                                            std::wstring& description, std::wstring& port)
{
    return ::DetectUsbPrinterPort(deviceKeyName, description, port);
}

bool SystemInstallOperations::EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode)
{
    return ::EnumeratePrinterNames(names, &errorCode);
}

template <class Step>
bool SystemInstallOperations::Stage(const PrinterModel& model, Step stage)
{
    const InstallContext context = WithModel(model);
    DriverFileStager stager(context);
    std::vector<DriverFileStager::Record> outcomes;
    stager.SetOutcomeLog(&outcomes);
    const bool staged = stage(stager);
    m_refusedFile = stager.RefusedFile();
    m_staged = StagedPaths();
    m_staged.createdFolders = stager.CreatedFolders();
    for (const DriverFileStager::Record& record : outcomes) {
        m_staged.targets.push_back(record.target);
        if (record.outcome == StageOutcome::Generated)
            m_staged.createdFiles.push_back(record.target);
    }
    return staged;
}

bool SystemInstallOperations::StageDriverFiles(const PrinterModel& model)
{
    return Stage(model, [&model](DriverFileStager& stager) { return stager.StageDriverFiles(model.infBaseName); });
}

bool SystemInstallOperations::StageInfAndCatalog(const PrinterModel& model)
{
    return Stage(model, [&model](DriverFileStager& stager) { return stager.StageInfAndCatalog(model.infBaseName); });
}

bool SystemInstallOperations::RegisterPrinterDriver(const PrinterModel& model)
{
    return ::RegisterPrinterDriver(WithModel(model), model.infBaseName, model.driverName, model.connectionType);
}

bool SystemInstallOperations::FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port,
                                                std::wstring& printer)
{
    return ::FindPrinterOnPort(driverName, port, printer);
}

bool SystemInstallOperations::UpdatePrinterDriver(const PrinterModel& model)
{
    // The installation path's own way: where the spooler takes the driver
    // directly, the same record again; elsewhere the system's printer
    // installation, of the driver alone.
    if (m_context.useLegacyInstall)
        return RegisterPrinterDriver(model);
    return ::InstallDriverWithPrintUI(WithModel(model), std::wstring(), m_unattended);
}

bool SystemInstallOperations::DeviceRecordsFinished(const PrinterModel& model)
{
    if (model.connectionType != L"USB" && model.connectionType != L"LPT")
        return true;
    return ::DeviceRecordsFinished(WithModel(model), model.connectionType == L"USB");
}

bool SystemInstallOperations::AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                                               const std::wstring& driverName)
{
    return ::AddPrinterDirect(printerName, port, driverName);
}

bool SystemInstallOperations::InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                                        const std::wstring& port)
{
    return ::InstallPrinterWithPrintUI(WithModel(model), printerName, port, std::wstring(), m_unattended);
}

DefaultPrinterOutcome SystemInstallOperations::MakeDefaultPrinter(const std::wstring& printerName,
                                                                  const std::wstring& connectionType,
                                                                  const std::wstring& port)
{
    // The default printer is a setting of the user's profile: the system
    // account's own would change no user's.
    if (ProcessIsLocalSystemAccount())
        return DefaultPrinterOutcome::LeftToUser;
    return ::SetDefaultPrinter(printerName, connectionType, port) ? DefaultPrinterOutcome::Set
                                                                  : DefaultPrinterOutcome::NotSet;
}

bool SystemInstallOperations::WriteUsbDeviceRecords(const PrinterModel& model)
{
    return ::WriteUsbDeviceRecords(WithModel(model), model.usbIdSuffix);
}

bool SystemInstallOperations::WriteLptDeviceRecords(const PrinterModel& model)
{
    return ::WriteLptDeviceRecords(WithModel(model), model.lptIdSuffix);
}

void SystemInstallOperations::ClearHelperHandOff()
{
    ::ClearHelperHandOff();
}

bool SystemInstallOperations::ExtractHelperService(const std::wstring& exeName)
{
    return m_stager.ExtractHelperService(exeName);
}

std::wstring SystemInstallOperations::CommonFilesFolder()
{
    wchar_t folder[MAX_PATH] = {0};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES_COMMON, FALSE);
    return folder;
}

HelperRunResult SystemInstallOperations::RunHelperServiceOnce(const std::wstring& binaryPath,
                                                              const std::wstring& serviceName)
{
    // Nobody watches an unattended run: it waits for what the service
    // reports, not for the seconds the wizard gives it.
    const HelperRunResult result = ::RunHelperServiceOnce(
        binaryPath, serviceName, m_unattended ? HelperPacing::AsReported : HelperPacing::FixedWaits);
    m_stager.ReleaseHelperService();
    return result;
}

bool SystemInstallOperations::RegisterInstallation(const PrinterModel&)
{
    return RegisterInstalledProduct(m_program, m_registrationProblem);
}

NetworkProbeResult SystemInstallOperations::ProbeNetworkPrinter(const ConnectionSettings& connection)
{
    ProbeJob job;
    job.host = connection.networkHost;
    job.port = connection.networkPort;
    job.snmpPort = SnmpPortSetting(m_context);
    const NetworkProbeResult probe = ProbeWhilePumping(job);
    m_probedAddress = probe.resolved ? probe.ipAddress : std::wstring();
    return probe;
}

bool SystemInstallOperations::PrepareNetworkPort(const ConnectionSettings& connection, bool snmpAnswered,
                                                 std::wstring& port, bool& created)
{
    TcpIpPortSettings settings;
    settings.host = connection.networkHost;
    // The address as found when the printer was asked; a printer that did
    // not answer keeps its name, which the port monitor looks up itself.
    settings.ipAddress = IsIpv4Address(connection.networkHost) ? connection.networkHost : m_probedAddress;
    settings.portNumber = connection.networkPort;
    settings.snmpEnabled = snmpAnswered;
    unsigned long error = 0;
    return EnsureTcpIpPort(settings, port, created, error);
}

InstallResult SystemInstallOperations::PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port,
                                                         bool& created)
{
    created = false;
    unsigned long error = 0;
    if (!SerialPortOpens(connection.serialPort, error))
        return InstallResult::SerialPortNotOpened;
    port = connection.serialPort + L":";
    bool listed = false;
    DWORD listError = 0;
    if (!SpoolerHasPort(port, listed, listError))
        return InstallResult::SerialPortNotConfigured;
    if (!listed) {
        if (!AddLocalPort(port, listError))
            return InstallResult::SerialPortNotConfigured;
        created = true;
    }
    SerialSettings settings;
    settings.baud = connection.baud;
    settings.flow = connection.flow;
    return ConfigureSerialPort(connection.serialPort, settings, error) ? InstallResult::Success
                                                                       : InstallResult::SerialPortNotConfigured;
}

void SystemInstallOperations::DeleteMadePort(const std::wstring& port, const std::wstring& connectionType)
{
    unsigned long error = 0;
    DWORD localError = 0;
    if (connectionType == L"NET")
        DeleteTcpIpPort(port, error);
    else if (connectionType == L"COM")
        DeleteLocalPort(port, localError);
}
