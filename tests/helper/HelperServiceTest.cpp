// The helper program run as a real service of the prefix's service manager:
// through the installer's RunHelperServiceOnce, through CServiceHelper and
// through the helper's own switches. Each test places a fresh QPHelper.exe
// in the helper folder and removes its service, values and device keys.
#include "install/ServiceHelper.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/helper/HelperTestSupport.h"

namespace {

const wchar_t kUsbEnum[] = L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT";
const wchar_t kLptEnum[] = L"SYSTEM\\CurrentControlSet\\Enum\\LPTENUM";
const wchar_t kUsbDevice[] = L"QUORVEXVKT-1000TEST";
const wchar_t* const kUsbInstances[] = {L"7&1A2B3C4D&0&USB001", L"7&2B3C4D5E&0&USB002"};
// Device keys below the parallel-port enumerator that the tests create.
const wchar_t* const kLptDevices[] = {
    L"QuorvexPrinter", L"QuorvexVKX-300_TEST", L"QuorvexVKX-300_TEST2", L"QuorvexVKT-1000",
    L"QUORVEXPRINTER2", L"OtherMaker_Laser",
};
const char kOpenClassKey[] =
    "open SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";

std::wstring UsbDevicePath()
{
    return std::wstring(kUsbEnum) + L"\\" + kUsbDevice;
}

std::wstring UsbInstancePath(int i)
{
    return UsbDevicePath() + L"\\" + kUsbInstances[i];
}

std::wstring LptPath(const std::wstring& device, const std::wstring& instance)
{
    return std::wstring(kLptEnum) + L"\\" + device + L"\\" + instance;
}

struct ServiceConfig {
    DWORD type = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring binaryPath;
    std::wstring account;
    std::wstring displayName;
};

// The configuration of our service as the manager holds it.
bool QueryConfig(ServiceConfig& result)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return false;
    bool ok = false;
    SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_CONFIG);
    if (service != nullptr) {
        union {
            QUERY_SERVICE_CONFIGW config;
            BYTE bytes[8192];
        } buffer = {};
        DWORD needed = 0;
        if (QueryServiceConfigW(service, &buffer.config, sizeof(buffer), &needed)) {
            const QUERY_SERVICE_CONFIGW& config = buffer.config;
            result.type = config.dwServiceType;
            result.startType = config.dwStartType;
            result.errorControl = config.dwErrorControl;
            result.binaryPath = config.lpBinaryPathName ? config.lpBinaryPathName : L"";
            result.account = config.lpServiceStartName ? config.lpServiceStartName : L"";
            result.displayName = config.lpDisplayName ? config.lpDisplayName : L"";
            ok = true;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return ok;
}

class HelperServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveServiceIfPresent(kServiceName);
        ASSERT_FALSE(ServiceExists(kServiceName)) << "a service of our name cannot be removed";
        m_helper = PlaceHelper();
        ASSERT_FALSE(m_helper.empty()) << "QPHelper.exe could not be placed from " QV_HELPER_EXE;
        m_log = HelperLogPath();
        DeleteFileW(m_log.c_str());
        ASSERT_TRUE(CreateKey(kClassKey));
        CleanRegistry();
    }

    void TearDown() override
    {
        RemoveServiceIfPresent(kServiceName);
        CleanRegistry();
    }

    static void CleanRegistry()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            for (const wchar_t* name : kHandOffNames)
                RegDeleteValueW(key, name);
            RegCloseKey(key);
        }
        DeleteTree(UsbDevicePath());
        for (const wchar_t* device : kLptDevices)
            DeleteTree(std::wstring(kLptEnum) + L"\\" + device);
    }

    // The hand-off values the installer leaves for a USB printer.
    static void WriteUsbHandOff()
    {
        ASSERT_TRUE(SetString(kClassKey, L"_DeviceDesc", L"Quorvex VKT-1000"));
        ASSERT_TRUE(SetDword(kClassKey, L"_ConfigFlags", 0));
        ASSERT_TRUE(SetString(kClassKey, L"_ClassGUID", kClassGuid));
        ASSERT_TRUE(SetString(kClassKey, L"_Class", L"Printer"));
        ASSERT_TRUE(SetString(kClassKey, L"_Driver", std::wstring(kClassGuid) + L"\\0003"));
        ASSERT_TRUE(SetString(kClassKey, L"_Mfg", L"Quorvex"));
        ASSERT_TRUE(SetDword(kClassKey, L"_UpdateMode", 0));
        ASSERT_TRUE(SetString(kClassKey, L"_ToPath", UsbDevicePath()));
    }

    // A connected USB printer: its device key with two instance keys.
    static void CreateUsbDevice()
    {
        ASSERT_TRUE(CreateKey(UsbInstancePath(0)));
        ASSERT_TRUE(SetString(UsbInstancePath(1), L"DeviceDesc", L"USB printing support"));
    }

    static void ExpectNoHandOffValuesLeft()
    {
        for (const wchar_t* name : kHandOffNames)
            EXPECT_FALSE(ValueExists(kClassKey, name)) << Narrow(name) << " left in the class key";
    }

    static void ExpectUsbInstanceRecords(const std::wstring& path)
    {
        SCOPED_TRACE(Narrow(path));
        EXPECT_EQ(L"Quorvex VKT-1000", GetString(path, L"DeviceDesc"));
        DWORD flags = 99;
        EXPECT_TRUE(GetDword(path, L"ConfigFlags", flags));
        EXPECT_EQ(0u, flags);
        EXPECT_EQ(kClassGuid, GetString(path, L"ClassGUID"));
        EXPECT_EQ(std::wstring(kClassGuid) + L"\\0003", GetString(path, L"Driver"));
        EXPECT_EQ(L"Printer", GetString(path, L"Class"));
        EXPECT_EQ(L"Quorvex", GetString(path, L"Mfg"));
    }

    std::vector<std::string> LogMessages() const { return ReadLogMessages(m_log); }

    std::wstring m_helper;
    std::wstring m_log;
};

// The wizard's run gives the service its two fixed seconds; the unattended
// run waits only for what the service reports, and gets the same records.
TEST_F(HelperServiceTest, UsbRunMovesTheValuesIntoBothInstancesAndLeavesNoService)
{
    const struct Case {
        const char* what;
        HelperPacing pacing;
        DWORD atLeastMs, belowMs;
    } cases[] = {
        {"fixed waits", HelperPacing::FixedWaits, 2000, 10000},
        {"as reported", HelperPacing::AsReported, 0, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(m_log.c_str());
        WriteUsbHandOff();
        CreateUsbDevice();

        const DWORD start = GetTickCount();
        EXPECT_TRUE(RunHelperServiceOnce(m_helper, kServiceName, c.pacing).Ran());
        const DWORD elapsed = GetTickCount() - start;
        std::cout << "RunHelperServiceOnce (" << c.what << ") took " << elapsed << " ms" << std::endl;
        RecordProperty(c.pacing == HelperPacing::FixedWaits ? "RunHelperServiceOnceMs" : "RunHelperServiceAsReportedMs",
                       static_cast<int>(elapsed));
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);

        ExpectUsbInstanceRecords(UsbInstancePath(0));
        ExpectUsbInstanceRecords(UsbInstancePath(1));
        ExpectNoHandOffValuesLeft();
        EXPECT_FALSE(ServiceExists(kServiceName));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(m_helper.c_str()))
            << "QPHelper.exe must stay in the helper folder";

        const std::vector<std::string> expected = {
            kOpenClassKey,
            "dwUpdateMode == 0",
            "write to path = " + Narrow(UsbDevicePath()),
        };
        EXPECT_EQ(expected, LogMessages());
        CleanRegistry();
    }
}

TEST_F(HelperServiceTest, ParallelRunWritesOurDeviceKeysInstancesOnly)
{
    ASSERT_TRUE(SetString(kClassKey, L"_DeviceDesc", L"Quorvex VKX-300"));
    ASSERT_TRUE(SetDword(kClassKey, L"_ConfigFlags", 0x20));
    ASSERT_TRUE(SetString(kClassKey, L"_ClassGUID", kClassGuid));
    ASSERT_TRUE(SetString(kClassKey, L"_Driver", std::wstring(kClassGuid) + L"\\0007"));
    ASSERT_TRUE(SetString(kClassKey, L"_Class", L"Printer"));
    ASSERT_TRUE(SetString(kClassKey, L"_Mfg", L"Quorvex"));
    ASSERT_TRUE(SetDword(kClassKey, L"_UpdateMode", 2));
    ASSERT_TRUE(SetString(kClassKey, L"_BrandSeries", L"QuorvexVKX"));
    // The installer names the device key upper-cased.
    ASSERT_TRUE(SetString(kClassKey, L"_ToPath", std::wstring(kLptEnum) + L"\\QUORVEXVKX-300_TEST"));
    CreateUsbDevice();

    for (const wchar_t* device : kLptDevices) {
        ASSERT_TRUE(CreateKey(LptPath(device, L"1")));
        ASSERT_TRUE(SetString(LptPath(device, L"2"), L"Mfg", L"OldMaker"));
    }

    RunHelperServiceOnce(m_helper, kServiceName, HelperPacing::FixedWaits);

    struct Expectation {
        const wchar_t* device;
        const wchar_t* instance;
        bool written;
    };
    const Expectation cases[] = {
        {L"QuorvexPrinter", L"1", true},        // no "Mfg": written (twice)
        {L"QuorvexPrinter", L"2", true},        // the generic key: written once despite "Mfg"
        {L"QuorvexVKX-300_TEST", L"1", true},   // the handed-over key, no "Mfg"
        {L"QuorvexVKX-300_TEST", L"2", false},  // has "Mfg"
        {L"QuorvexVKX-300_TEST2", L"1", false}, // another model of the same series
        {L"QuorvexVKT-1000", L"1", false},
        {L"QUORVEXPRINTER2", L"1", false},      // not exactly the generic name
        {L"OtherMaker_Laser", L"1", false},
    };
    for (const Expectation& c : cases) {
        const std::wstring path = LptPath(c.device, c.instance);
        SCOPED_TRACE(Narrow(path));
        EXPECT_FALSE(ValueExists(path, L"DeviceDesc"));
        DWORD flags = 0;
        if (c.written) {
            EXPECT_TRUE(GetDword(path, L"ConfigFlags", flags));
            EXPECT_EQ(0x20u, flags);
            EXPECT_EQ(kClassGuid, GetString(path, L"ClassGUID"));
            EXPECT_EQ(std::wstring(kClassGuid) + L"\\0007", GetString(path, L"Driver"));
            EXPECT_EQ(L"Printer", GetString(path, L"Class"));
            EXPECT_EQ(L"Quorvex", GetString(path, L"Mfg"));
        } else {
            EXPECT_FALSE(GetDword(path, L"ConfigFlags", flags));
            EXPECT_FALSE(ValueExists(path, L"ClassGUID"));
            EXPECT_FALSE(ValueExists(path, L"Driver"));
            EXPECT_FALSE(ValueExists(path, L"Class"));
        }
    }
    EXPECT_EQ(L"OldMaker", GetString(LptPath(L"QuorvexVKX-300_TEST", L"2"), L"Mfg"));
    EXPECT_EQ(L"<missing>", GetString(LptPath(L"OtherMaker_Laser", L"1"), L"Mfg"));
    EXPECT_EQ(std::vector<std::wstring>{}, ValueNames(UsbInstancePath(0)));
    ExpectNoHandOffValuesLeft();
    EXPECT_FALSE(ServiceExists(kServiceName));

    const std::vector<std::string> expected = {kOpenClassKey, "dwUpdateMode > 0"};
    EXPECT_EQ(expected, LogMessages());
}

TEST_F(HelperServiceTest, StopWithoutHandOffValuesWritesNoDeviceKey)
{
    CreateUsbDevice();
    ASSERT_TRUE(CreateKey(LptPath(L"QuorvexPrinter", L"1")));

    RunHelperServiceOnce(m_helper, kServiceName, HelperPacing::FixedWaits);

    // The defaults written back for the read are deleted again with the rest.
    ExpectNoHandOffValuesLeft();
    EXPECT_EQ(std::vector<std::wstring>{}, ValueNames(UsbInstancePath(0)));
    EXPECT_EQ(std::vector<std::wstring>{L"DeviceDesc"}, ValueNames(UsbInstancePath(1)));
    EXPECT_EQ(std::vector<std::wstring>{}, ValueNames(LptPath(L"QuorvexPrinter", L"1")));
    EXPECT_FALSE(ServiceExists(kServiceName));
    // Mode 0 with an empty "_ToPath": nothing more is done.
    const std::vector<std::string> expected = {kOpenClassKey, "dwUpdateMode == 0"};
    EXPECT_EQ(expected, LogMessages());
}

// The hand-off names a key the installer would never hand over, or a USB
// device that was unplugged since: the system account creates or changes
// nothing there, and no hand-off value stays behind.
TEST_F(HelperServiceTest, HandOffOutsideTheUsbEnumeratorOrOfAGoneDeviceChangesNothing)
{
    const std::wstring foreign = L"SYSTEM\\CurrentControlSet\\Services\\QvNotADevice";
    const std::wstring gone = std::wstring(kUsbEnum) + L"\\QUORVEXGONE";
    const struct Case {
        const char* what;
        std::wstring toPath;
        bool refusedByPath;
    } cases[] = {
        {"a key of another part of the registry", foreign, true},
        {"an instance key instead of the device key", UsbInstancePath(0), true},
        {"the parallel-port enumerator", std::wstring(kLptEnum) + L"\\QuorvexPrinter", true},
        {"an unplugged USB device", gone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(m_log.c_str());
        ASSERT_TRUE(SetString(foreign, L"Keep", L"as it was"));
        CreateUsbDevice();
        WriteUsbHandOff();
        ASSERT_TRUE(SetString(kClassKey, L"_ToPath", c.toPath));

        // The unattended pacing: its run, too, returns only when the
        // service's update is done.
        EXPECT_TRUE(RunHelperServiceOnce(m_helper, kServiceName, HelperPacing::AsReported).Ran());

        EXPECT_FALSE(KeyExists(gone)) << "a gone device key was made again";
        EXPECT_EQ(std::vector<std::wstring>{L"Keep"}, ValueNames(foreign));
        EXPECT_EQ(std::vector<std::wstring>{}, ValueNames(UsbInstancePath(0)));
        EXPECT_FALSE(KeyExists(std::wstring(kLptEnum) + L"\\QuorvexPrinter"));
        ExpectNoHandOffValuesLeft();
        std::vector<std::string> expected = {kOpenClassKey, "dwUpdateMode == 0"};
        if (c.refusedByPath)
            expected.push_back("not a USB printer device path: " + Narrow(c.toPath));
        EXPECT_EQ(expected, LogMessages());
        CleanRegistry();
    }
    DeleteTree(foreign);
}

DWORD WINAPI CloseServiceLater(void* handle)
{
    Sleep(1500);
    CloseServiceHandle(static_cast<SC_HANDLE>(handle));
    return 0;
}

// A service of our name that is already there, left by a run that was
// ended or made by someone else, pointing at another program: the run makes
// it ours before it starts it. The other program would leave a marker file.
TEST_F(HelperServiceTest, LeftoverServiceOfOurNameRunsOnlyOurProgram)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    const std::wstring marker = L"C:\\qv-foreign-service-ran.txt";
    const std::wstring foreign = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo ran> " + marker;
    struct Case {
        const char* what;
        bool markedForDeletion;
        HelperPacing pacing;
    };
    for (const Case& c : {Case{"registered", false, HelperPacing::FixedWaits},
                          Case{"marked for deletion", true, HelperPacing::FixedWaits},
                          Case{"registered, unattended", false, HelperPacing::AsReported},
                          Case{"marked for deletion, unattended", true, HelperPacing::AsReported}}) {
        SCOPED_TRACE(c.what);
        DeleteFileW(marker.c_str());
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager);
        SC_HANDLE old = CreateServiceW(manager, kServiceName, L"Someone else's service", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                       foreign.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, old) << "error " << GetLastError();
        // Deleted while a handle stays open: the manager keeps it until the
        // handle is closed, here a moment after the run has begun.
        HANDLE closer = nullptr;
        if (c.markedForDeletion) {
            ASSERT_TRUE(DeleteService(old));
            closer = CreateThread(nullptr, 0, CloseServiceLater, old, 0, nullptr);
            ASSERT_NE(nullptr, closer);
        } else {
            CloseServiceHandle(old);
        }
        CloseServiceHandle(manager);

        WriteUsbHandOff();
        CreateUsbDevice();
        EXPECT_TRUE(RunHelperServiceOnce(m_helper, kServiceName, c.pacing).Ran());
        if (closer) {
            WaitForSingleObject(closer, 10000);
            CloseHandle(closer);
        }
        ExpectUsbInstanceRecords(UsbInstancePath(0));
        ExpectUsbInstanceRecords(UsbInstancePath(1));
        ExpectNoHandOffValuesLeft();
        EXPECT_FALSE(ServiceExists(kServiceName));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str())) << "the other program ran";
        CleanRegistry();
    }
    DeleteFileW(marker.c_str());
}

// A service of our name with settings of its own (another type, a
// description, failure actions that run a program) is deleted and ours is
// created afresh: none of its settings stays with ours.
TEST_F(HelperServiceTest, AServiceOfOurNameIsReplacedNotReconfigured)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    SC_HANDLE old = CreateServiceW(manager, kServiceName, L"Someone else's service", SERVICE_ALL_ACCESS,
                                   SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
                                   SERVICE_ERROR_NORMAL, L"C:\\elsewhere\\other.exe", nullptr, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(nullptr, old) << "error " << GetLastError();
    wchar_t description[] = L"Someone else's description";
    SERVICE_DESCRIPTIONW text = {description};
    ASSERT_TRUE(ChangeServiceConfig2W(old, SERVICE_CONFIG_DESCRIPTION, &text));
    CloseServiceHandle(old);

    CServiceHelper helper;
    helper.SetServiceName(kServiceName);
    helper.SetDisplayName(kServiceName);
    helper.SetBinaryPath(m_helper.c_str());
    ASSERT_TRUE(helper.Install()) << "error " << helper.LastError();

    ServiceConfig config;
    ASSERT_TRUE(QueryConfig(config));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type);
    EXPECT_EQ(L"\"" + m_helper + L"\"", config.binaryPath);
    EXPECT_EQ(kServiceName, config.displayName);
    SC_HANDLE ours = OpenServiceW(manager, kServiceName, SERVICE_QUERY_CONFIG);
    ASSERT_NE(nullptr, ours);
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfig2W(ours, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), &needed));
    const SERVICE_DESCRIPTIONW* now = reinterpret_cast<const SERVICE_DESCRIPTIONW*>(buffer.data());
    EXPECT_TRUE(now->lpDescription == nullptr || *now->lpDescription == L'\0') << "the old description stayed";
    CloseServiceHandle(ours);
    CloseServiceHandle(manager);
    EXPECT_TRUE(helper.Remove());
}

TEST_F(HelperServiceTest, ServiceThatCannotStartIsStillRemoved)
{
    const std::wstring missing = HelperFolder() + L"\\Missing Helper.exe";
    for (HelperPacing pacing : {HelperPacing::FixedWaits, HelperPacing::AsReported}) {
        const HelperRunResult result = RunHelperServiceOnce(missing, kServiceName, pacing);
        EXPECT_FALSE(ServiceExists(kServiceName));
        // Reported as what it is: the start failed (the program is missing),
        // the service was still removed.
        EXPECT_FALSE(result.Ran());
        EXPECT_EQ(HelperRunResult::Step::Start, result.failed);
        EXPECT_NE(0u, result.error);
    }

    // Without its settings the helper attempts nothing.
    CServiceHelper helper;
    EXPECT_FALSE(helper.Install());
    EXPECT_FALSE(helper.Start());
    EXPECT_FALSE(helper.Stop());
    EXPECT_FALSE(helper.Remove());
    helper.SetServiceName(kServiceName);
    helper.SetBinaryPath(m_helper.c_str());
    EXPECT_FALSE(helper.Install()) << "no display name";
    EXPECT_FALSE(ServiceExists(kServiceName));
}

TEST_F(HelperServiceTest, InstallRegistersAnOwnProcessServiceOfTheLocalSystem)
{
    for (BOOL autoStart : {TRUE, FALSE}) {
        SCOPED_TRACE(autoStart ? "automatic start" : "start on demand");
        CServiceHelper helper;
        helper.SetServiceName(kServiceName);
        helper.SetDisplayName(L"Quorvex Printer Helper (display)");
        helper.SetBinaryPath(m_helper.c_str());
        helper.SetAutoStart(autoStart);
        ASSERT_TRUE(helper.Install());

        ServiceConfig config;
        ASSERT_TRUE(QueryConfig(config));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type) << "no desktop";
        EXPECT_EQ(static_cast<DWORD>(autoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START),
                  config.startType);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
        // Quoted: the path holds spaces.
        EXPECT_EQ(L"\"" + m_helper + L"\"", config.binaryPath);
        EXPECT_EQ(L"LocalSystem", config.account);
        EXPECT_EQ(L"Quorvex Printer Helper (display)", config.displayName);

        EXPECT_TRUE(helper.Remove());
        EXPECT_FALSE(helper.Remove()) << "removed twice";
        EXPECT_FALSE(ServiceExists(kServiceName));
    }
}

TEST_F(HelperServiceTest, PauseContinueAndInterrogateReportTheirStates)
{
    CServiceHelper helper;
    helper.SetServiceName(kServiceName);
    helper.SetDisplayName(kServiceName);
    helper.SetBinaryPath(m_helper.c_str());
    helper.SetAutoStart(FALSE);
    ASSERT_TRUE(helper.Install());
    ASSERT_TRUE(helper.Start());
    ASSERT_TRUE(WaitForServiceState(kServiceName, SERVICE_RUNNING, 10000));

    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(nullptr, manager);
    SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS);
    ASSERT_NE(nullptr, service);
    SERVICE_STATUS status = {};
    ASSERT_TRUE(QueryServiceStatus(service, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE |
                                 SERVICE_ACCEPT_SHUTDOWN),
              status.dwControlsAccepted);

    const struct {
        DWORD control;
        DWORD state;
    } steps[] = {
        {SERVICE_CONTROL_PAUSE, SERVICE_PAUSED},
        {SERVICE_CONTROL_INTERROGATE, SERVICE_PAUSED},
        {SERVICE_CONTROL_CONTINUE, SERVICE_RUNNING},
        {SERVICE_CONTROL_INTERROGATE, SERVICE_RUNNING},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.control);
        EXPECT_TRUE(ControlService(service, step.control, &status)) << "error " << GetLastError();
        EXPECT_TRUE(WaitForServiceState(kServiceName, step.state, 5000))
            << "state " << ServiceState(kServiceName);
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    EXPECT_TRUE(helper.Stop());
    EXPECT_TRUE(WaitForServiceState(kServiceName, SERVICE_STOPPED, 5000));
    EXPECT_TRUE(helper.Remove());
    // Only the stop touched the records; no status report failed.
    const std::vector<std::string> expected = {kOpenClassKey, "dwUpdateMode == 0"};
    EXPECT_EQ(expected, LogMessages());
}

TEST_F(HelperServiceTest, SwitchesInstallStartStopAndRemoveAndLogTheirFailures)
{
    const std::string name = "Quorvex Printer Helper";
    std::vector<std::string> expected;

    EXPECT_EQ(0, RunProgram(m_helper, L"-I"));
    expected.push_back("Service " + name + " installed\n");
    ServiceConfig config;
    ASSERT_TRUE(QueryConfig(config));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type) << "no desktop";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ(L"\"" + m_helper + L"\"", config.binaryPath) << "the helper's own path, quoted";
    EXPECT_EQ(L"LocalSystem", config.account);
    EXPECT_EQ(kServiceName, config.displayName);
    EXPECT_EQ(1, RunProgram(m_helper, L"-i"));
    expected.push_back("Failed to create service " + name + ", error code = 1073\n");

    EXPECT_EQ(0, RunProgram(m_helper, L"-s"));
    EXPECT_TRUE(WaitForServiceState(kServiceName, SERVICE_RUNNING, 10000));
    EXPECT_EQ(1, RunProgram(m_helper, L"-S"));
    expected.push_back("StartService failed, error code = 1056\n");

    WriteUsbHandOff();
    CreateUsbDevice();
    EXPECT_EQ(0, RunProgram(m_helper, L"-k"));
    EXPECT_TRUE(WaitForServiceState(kServiceName, SERVICE_STOPPED, 10000));
    // The stop that -k sent ran the update in the service process.
    expected.push_back(kOpenClassKey);
    expected.push_back("dwUpdateMode == 0");
    expected.push_back("write to path = " + Narrow(UsbDevicePath()));
    ExpectUsbInstanceRecords(UsbInstancePath(1));
    EXPECT_EQ(1, RunProgram(m_helper, L"-K"));
    expected.push_back("ControlService failed, error code = 1062\n");

    EXPECT_EQ(0, RunProgram(m_helper, L"-U"));
    expected.push_back("Service " + name + " removed\n");
    EXPECT_FALSE(ServiceExists(kServiceName));
    EXPECT_EQ(1, RunProgram(m_helper, L"-u"));
    expected.push_back("OpenService failed, error code = 1060\n");
    EXPECT_EQ(1, RunProgram(m_helper, L"-s"));
    expected.push_back("OpenService failed, error code = 1060\n");
    EXPECT_EQ(1, RunProgram(m_helper, L"-k"));
    expected.push_back("OpenService failed, error code = 1060\n");

    // Started by hand rather than by the manager, the program cannot become
    // a service.
    EXPECT_EQ(1, RunProgram(m_helper, L"-x"));
    expected.push_back("StartServiceCtrlDispatcher failed, error code = 1063\n");

    EXPECT_EQ(expected, LogMessages());
}

}  // namespace
