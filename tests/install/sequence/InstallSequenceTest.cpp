// Every path of the installation run, with a fake page, a fake host (its
// clock runs only when the run sleeps or pumps) and fake machine operations
// that record what they were asked, in order.
#include <gtest/gtest.h>

#include <cwchar>

#include <map>
#include <string>
#include <vector>

#include "context/PlatformSettings.h"
#include "install/InstallSequence.h"

namespace {

using Button = ISetupPage::Button;
using Phase = ISetupPage::Phase;
using Status = ISetupPage::Status;

// The page as the run sees it: what it was told, in the run's own terms.
class FakePage : public ISetupPage {
public:
    void SetPhase(Phase p) override
    {
        phase = p;
        log.push_back(p == Phase::Installing ? L"phase installing" : L"phase complete");
    }
    void PrepareLines() override
    {
        prepared = true;
        name = port = model = L"";
    }
    void ShowLines(bool show) override { linesVisible = show; }
    void SetPrinterName(const std::wstring& text) override { name = text; }
    void SetPortName(const std::wstring& text) override { port = text; }
    void SetModel(const std::wstring& text) override { model = text; }
    void HideStatus() override { statusVisible = false; }
    void ShowStatus(Status s) override
    {
        status = s;
        statusVisible = true;
    }
    void ShowTestPageButton(bool show) override { testPageVisible = show; }
    void EnableButton(Button button, bool enable) override
    {
        enabled[button] = enable;
        if (!enable)
            everDisabled[button] = true;
    }
    void SetProgressRange(int low, int high) override { rangeLow = low, rangeHigh = high; }
    void SetProgressStep(int s) override { step = s; }
    void SetProgressPos(int pos) override { position = pos; }
    void StepProgress() override { position = position + step > rangeHigh ? rangeLow : position + step; }
    int GetProgressPos() override { return position; }
    void UpdatePage() override { log.push_back(L"update"); }
    std::wstring CopySuffixFormat() override { return L" (Copy %d)"; }
    void ReportFailure(InstallResult result) override
    {
        failures.push_back(result);
        log.push_back(L"failure " + std::to_wstring(ResultValue(result)));
    }
    void ReportPrinterListError(std::uint32_t code) override
    {
        listErrors.push_back(code);
        log.push_back(L"list error");
    }
    bool AskForceInstall() override
    {
        ++questions;
        return answerYes;
    }
    bool AskInstallOnOtherModel(const std::wstring& printerSays) override
    {
        log.push_back(L"ask other model " + printerSays);
        ++questions;
        return answerYes;
    }
    bool AskInstallWithoutAnswer(const std::wstring& address) override
    {
        log.push_back(L"ask no answer " + address);
        ++questions;
        return answerYes;
    }
    void ReportHelperNotWritten(const std::wstring& modelName) override { helperNotWritten.push_back(modelName); }
    void ReportHelperFailed(const std::wstring& modelName, const HelperRunResult& result) override
    {
        helperFailed.push_back(modelName + L"|" + std::to_wstring(static_cast<int>(result.failed)) + L"|" +
                               std::to_wstring(result.error));
    }
    void ReportNotRegistered(const std::wstring& modelName) override { notRegistered.push_back(modelName); }

    Phase phase = Phase::Complete;
    bool prepared = false, linesVisible = false, statusVisible = false, testPageVisible = false;
    std::wstring name = L"-", port = L"-", model = L"-";
    Status status = Status::None;
    std::map<Button, bool> enabled, everDisabled;
    int rangeLow = 0, rangeHigh = 100, step = 10, position = 0;
    std::vector<std::wstring> log, helperNotWritten, helperFailed, notRegistered;
    std::vector<InstallResult> failures;
    std::vector<std::uint32_t> listErrors;
    unsigned questions = 0;
    bool answerYes = false;
};

// The system as the run sees it. The broadcast goes into the page's log
// when it is given one, so that its place among the page's news shows.
class FakeHost : public IRunHost {
public:
    FakeHost() = default;
    explicit FakeHost(std::vector<std::wstring>& pageLog) : log(&pageLog) {}

    bool PumpMessages() override
    {
        ++pumps;
        clock += pumpCostMs;
        return quitAtPump == 0 || pumps < quitAtPump;  // a quit message is met there
    }
    void Sleep(unsigned ms) override
    {
        sleptMs += ms;
        clock += ms;
    }
    // Time passes only while sleeping, plus whatever a test adds per pump
    // (the cost of repainting).
    std::uint32_t TickCount() override { return clock; }
    void BroadcastSettingChange() override
    {
        if (log)
            log->push_back(L"broadcast");
        ++broadcasts;
        clockAtBroadcast = clock;
    }

    std::vector<std::wstring>* log = nullptr;
    unsigned pumps = 0, sleptMs = 0, pumpCostMs = 0, quitAtPump = 0, broadcasts = 0;
    std::uint32_t clock = 0xFFFFF000u;  // wraps around during the run
    std::uint32_t clockAtBroadcast = 0;    // when the run's last step was done
};

class FakeOps : public IInstallOperations {
public:
    // Every operation takes `costMs` on `clock` when one is given.
    void Charge()
    {
        if (clock)
            *clock += costMs;
    }
    InstallResult DetectUsbPrinterPort(const std::wstring& deviceKey, std::wstring& description,
                                       std::wstring& port) override
    {
        calls.push_back(L"detect");
        Charge();
        detectedKeys.push_back(deviceKey);
        InstallResult status = detections.empty() ? InstallResult::Success : detections.front();
        if (!detections.empty() && detections.size() > 1)
            detections.erase(detections.begin());
        if (status == InstallResult::Success) {
            description = L"Virtual printer port for USB";
            port = L"USB003";
        }
        return status;
    }
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) override
    {
        calls.push_back(L"enumerate");
        Charge();
        names.clear();
        if (enumerateFails) {
            errorCode = 5;
            return false;
        }
        names = printers;
        return true;
    }
    bool StageDriverFiles(const PrinterModel& model) override
    {
        calls.push_back(L"stage " + model.infBaseName);
        Charge();
        return stageOk;
    }
    bool StageInfAndCatalog(const PrinterModel& model) override
    {
        calls.push_back(L"stage-inf " + model.infBaseName);
        Charge();
        return true;
    }
    bool RegisterPrinterDriver(const PrinterModel& model) override
    {
        calls.push_back(L"register " + model.infBaseName + L"|" + model.driverName + L"|" + model.connectionType);
        Charge();
        return registerOk;
    }
    bool AddPrinterDirect(const std::wstring& name, const std::wstring& port, const std::wstring& driver) override
    {
        calls.push_back(L"add " + name + L"|" + port + L"|" + driver);
        Charge();
        if (addOk)
            printers.push_back(name);
        return addOk;
    }
    bool InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                   const std::wstring& port) override
    {
        calls.push_back(L"printui " + port + L"|" + model.infBaseName + L"|" + printerName);
        Charge();
        if (printUiCreates)
            printers.push_back(printUiName.empty() ? printerName : printUiName);
        return printUiOk;
    }
    DefaultPrinterOutcome MakeDefaultPrinter(const std::wstring& name, const std::wstring& type,
                                             const std::wstring& port) override
    {
        calls.push_back(L"default " + name + L"|" + type + L"|" + port);
        Charge();
        return defaultOutcome;
    }
    bool WriteUsbDeviceRecords(const PrinterModel& model) override
    {
        calls.push_back(L"usb-records " + model.usbIdSuffix);
        Charge();
        return handedOver;
    }
    bool WriteLptDeviceRecords(const PrinterModel& model) override
    {
        calls.push_back(L"lpt-records " + model.lptIdSuffix);
        Charge();
        return handedOver;
    }
    void ClearHelperHandOff() override { calls.push_back(L"clear-handoff"); }
    bool ExtractHelperService(const std::wstring& exe) override
    {
        calls.push_back(L"extract " + exe);
        Charge();
        return extractOk;
    }
    std::wstring CommonFilesFolder() override { return L"C:\\Program Files\\Common Files"; }
    HelperRunResult RunHelperServiceOnce(const std::wstring& path, const std::wstring& name) override
    {
        calls.push_back(L"helper " + path + L"|" + name);
        Charge();
        return helperRun;
    }
    bool RegisterInstallation(const PrinterModel&) override
    {
        calls.push_back(L"register-product");
        return registerProductOk;
    }
    NetworkProbeResult ProbeNetworkPrinter(const ConnectionSettings& connection) override
    {
        calls.push_back(L"probe " + connection.networkHost + L":" + std::to_wstring(connection.networkPort));
        return probe;
    }
    bool PrepareNetworkPort(const ConnectionSettings& connection, bool snmp, std::wstring& port,
                            bool& created) override
    {
        calls.push_back(L"tcp-port " + connection.networkHost + (snmp ? L"|snmp" : L""));
        port = L"IP_" + connection.networkHost;
        created = portCreated;
        return portOk;
    }
    InstallResult PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port, bool& created) override
    {
        calls.push_back(L"serial-port " + connection.serialPort + L"|" + std::to_wstring(connection.baud));
        port = connection.serialPort + L":";
        created = portCreated;
        return serialResult;
    }
    void DeleteMadePort(const std::wstring& port, const std::wstring& type) override
    {
        calls.push_back(L"delete-port " + port + L"|" + type);
    }
    bool FindPrinterOnPort(const std::wstring& driver, const std::wstring& port, std::wstring& printer) override
    {
        calls.push_back(L"find " + driver + L"|" + port);
        printer = existingPrinter;
        return !existingPrinter.empty();
    }
    bool UpdatePrinterDriver(const PrinterModel& model) override
    {
        calls.push_back(L"update " + model.infBaseName);
        return true;
    }

    std::vector<std::wstring> calls, detectedKeys;
    std::uint32_t* clock = nullptr;
    std::uint32_t costMs = 0;
    std::vector<std::wstring> printers;
    std::vector<InstallResult> detections;
    bool enumerateFails = false, stageOk = true, registerOk = true, addOk = true;
    bool printUiOk = true, printUiCreates = true, extractOk = true, handedOver = true, registerProductOk = true;
    DefaultPrinterOutcome defaultOutcome = DefaultPrinterOutcome::Set;
    HelperRunResult helperRun;
    std::wstring printUiName;  // the printer the entry point makes; empty: the one asked for
    NetworkProbeResult probe;
    bool portOk = true, portCreated = true;
    InstallResult serialResult = InstallResult::Success;
    std::wstring existingPrinter;  // what FindPrinterOnPort finds; empty: nothing
};

// Whether one of the calls `fake` recorded starts with `prefix`.
bool CalledOn(const FakeOps& fake, const std::wstring& prefix)
{
    for (const std::wstring& c : fake.calls)
        if (c.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

// The context the product derives for a Windows version, 32-bit or 64-bit:
// which installation path that platform takes is the product's own rule.
InstallContext OnWindows(std::uint32_t major, std::uint32_t minor, bool wow64 = false)
{
    PlatformFacts facts;
    facts.versionQueryOk = true;
    facts.platformId = 2;  // the NT family
    facts.majorVersion = major;
    facts.minorVersion = minor;
    facts.isWow64 = wow64;
    InstallContext context;
    ApplyPlatformFacts(facts, context);
    DeriveInstallSettings(context);
    return context;
}

// Switches `context` to another platform, keeping its model.
void MoveTo(InstallContext& context, const InstallContext& platform)
{
    const PrinterModel model = context.model;
    context = platform;
    context.model = model;
}

class Sequence : public testing::Test {
protected:
    Sequence()
    {
        MoveTo(context, OnWindows(5, 1));  // Windows XP: the spooler directly
        PrinterModel& m = context.model;
        m.manufacturer = L"Quorvex";
        m.namePrefix = L"QX";
        m.nameNumber = L"1000";
        m.infBaseName = L"QX1000";
        m.deviceDescription = m.driverName = m.displayName = L"Quorvex QX1000";
        m.connectionType = L"LPT";
        m.lptIdSuffix = L"C3D4";
        m.usbIdSuffix = L"7A2B";
    }
    void UseUsbOnWindows7()
    {
        MoveTo(context, OnWindows(6, 1));  // the installation entry point
        context.model.connectionType = L"USB";
    }
    // What the frame does around the page on Next to the last page.
    void RunPage()
    {
        sequence.OnSetActive();
        page.EnableButton(Button::Next, false);
        page.EnableButton(Button::Finish, true);
        page.EnableButton(Button::Back, true);
        sequence.OnAfterNext();
    }
    bool Called(const std::wstring& prefix) const { return CalledOn(ops, prefix); }
    void ExpectFailure(InstallResult code)
    {
        EXPECT_EQ(code, sequence.GetResultCode());
        EXPECT_EQ(std::vector<InstallResult>{code}, page.failures);
        EXPECT_EQ(100, page.position);
        EXPECT_EQ(Status::Failed, page.status);
        EXPECT_TRUE(page.statusVisible);
        EXPECT_EQ(Phase::Complete, page.phase);
        EXPECT_TRUE(page.enabled[Button::Back]);
        EXPECT_TRUE(page.enabled[Button::Finish]);
        EXPECT_FALSE(page.enabled[Button::Cancel]);
        EXPECT_FALSE(page.testPageVisible);
    }

    InstallContext context;
    FakePage page;
    FakeHost host{page.log};
    FakeOps ops;
    InstallSequence sequence{context, page, host, ops};
};

}  // namespace

TEST_F(Sequence, ParallelOnWindowsXpUsesTheSpoolerDirectly)
{
    ops.printers = {L"Office laser"};
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    std::vector<std::wstring> expected = {
        L"enumerate",
        L"stage QX1000",
        L"stage-inf QX1000",
        L"register QX1000|Quorvex QX1000|LPT",
        L"add Quorvex QX1000|LPT1:|Quorvex QX1000",
        L"enumerate",
        L"default Quorvex QX1000|LPT|LPT1:",
        L"lpt-records C3D4",
        L"extract QPHelper.exe",
        L"helper C:\\Program Files\\Common Files\\Services\\QPHelper.exe|Quorvex Printer Helper",
        L"clear-handoff",
        L"register-product",
    };
    EXPECT_EQ(expected, ops.calls);
    EXPECT_EQ(L"Quorvex QX1000", sequence.GetPrinterName());
    EXPECT_EQ(L"Quorvex QX1000", page.name);
    EXPECT_EQ(L"LPT1:", page.port);
    EXPECT_EQ(L"Quorvex QX1000", page.model);
    EXPECT_EQ(Status::Succeeded, page.status);
    EXPECT_TRUE(page.statusVisible);
    EXPECT_TRUE(page.prepared);
    EXPECT_EQ(Phase::Complete, page.phase);
    EXPECT_TRUE(page.testPageVisible);
    EXPECT_TRUE(page.linesVisible);
    EXPECT_EQ(100, page.position);
    EXPECT_TRUE(page.failures.empty());
    EXPECT_TRUE(page.listErrors.empty());
    // After success only Finish is left.
    EXPECT_FALSE(page.enabled[Button::Back]);
    EXPECT_FALSE(page.enabled[Button::Next]);
    EXPECT_FALSE(page.enabled[Button::Cancel]);
    EXPECT_TRUE(page.enabled[Button::Finish]);
    // The broadcast follows the final repaint; the title changes last.
    const std::vector<std::wstring> log = {L"phase installing", L"update", L"broadcast", L"phase complete"};
    EXPECT_EQ(log, page.log);
}

TEST_F(Sequence, UsbOnWindows7GoesThroughTheInstallationEntryPoint)
{
    UseUsbOnWindows7();
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    std::vector<std::wstring> expected = {
        L"detect",
        L"enumerate",
        L"stage QX1000",
        L"stage-inf QX1000",
        L"printui USB003|QX1000|Quorvex QX1000",
        L"enumerate",
        L"default Quorvex QX1000|USB|USB003",
        L"detect",
        L"usb-records 7A2B",
        L"extract QPHelper.exe",
        L"helper C:\\Program Files\\Common Files\\Services\\QPHelper.exe|Quorvex Printer Helper",
        L"clear-handoff",
        L"register-product",
    };
    EXPECT_EQ(expected, ops.calls);
    EXPECT_EQ(L"USB003", page.port);
    // Both detections look for the model's own device key.
    EXPECT_EQ((std::vector<std::wstring>(2, L"QUORVEXQX10007A2B")), ops.detectedKeys);
}

TEST_F(Sequence, ProgressIsPacedAndEndsFull)
{
    RunPage();
    // Four statuses of 12 steps at 25 ms, then one step every 20 ms to 100.
    EXPECT_EQ(48u * 25u + 52u * 20u, host.sleptMs);
    EXPECT_EQ(100, page.position);
    EXPECT_EQ(1, page.rangeLow);
    EXPECT_EQ(100, page.rangeHigh);
    EXPECT_EQ(1, page.step);
}

TEST_F(Sequence, AnUnpacedRunDoesTheSameStepsWithoutWaiting)
{
    sequence.SetPaced(false);
    RunPage();
    EXPECT_EQ(0u, host.sleptMs);
    EXPECT_EQ(100, page.position);
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    EXPECT_EQ(Status::Succeeded, page.status);
    EXPECT_TRUE(Called(L"helper"));
    EXPECT_GT(host.pumps, 0u) << "a quit is still noticed between the steps";
}

TEST_F(Sequence, SlowRepaintsEatIntoTheWaitsInsteadOfAddingToThem)
{
    host.pumpCostMs = 4;  // each dispatch of pending messages takes 4 ms
    RunPage();
    // The run still lasts about the pacing: a step takes its 25 ms (20 ms
    // in the fill) including the repaint, not 25 ms plus every repaint.
    // Only the last dispatch of each wait may run over: about 4 ms a step,
    // where adding every dispatch would cost some 1.9 s.
    EXPECT_EQ(100, page.position);
    std::uint32_t took = host.clock - 0xFFFFF000u;
    EXPECT_LE(took, 48u * 25u + 52u * 20u + 600u);
    EXPECT_GE(took, 48u * 25u + 52u * 20u);
    EXPECT_LT(host.sleptMs, 48u * 25u + 52u * 20u);
}

TEST_F(Sequence, TooOldSystemsStopBeforeAnythingElse)
{
    for (std::uint32_t major : {0u, 4u}) {
        FakePage freshPage;
        FakeHost freshHost;
        FakeOps freshOps;
        context.osMajorVersion = major;
        InstallSequence run(context, freshPage, freshHost, freshOps);
        run.OnSetActive();
        run.OnAfterNext();
        EXPECT_EQ(InstallResult::SystemTooOld, run.GetResultCode());
        EXPECT_TRUE(freshOps.calls.empty());
        EXPECT_EQ(std::vector<InstallResult>{InstallResult::SystemTooOld}, freshPage.failures);
        // The name and port lines stay with their bare labels.
        EXPECT_TRUE(freshPage.linesVisible);
        EXPECT_TRUE(freshPage.prepared);
        EXPECT_EQ(L"", freshPage.name);
        EXPECT_EQ(L"", freshPage.port);
        EXPECT_TRUE(freshPage.enabled[Button::Back]);
    }
}

TEST_F(Sequence, UsbDetectionFailuresHideTheLinesAndExplain)
{
    UseUsbOnWindows7();
    for (InstallResult status : {InstallResult::UsbNoPrinter, InstallResult::UsbNotAvailable}) {
        FakePage freshPage;
        FakeHost freshHost;
        FakeOps freshOps;
        freshOps.detections = {status};
        InstallSequence run(context, freshPage, freshHost, freshOps);
        run.OnSetActive();
        EXPECT_EQ(status, run.GetResultCode());
        EXPECT_EQ(std::vector<InstallResult>{status}, freshPage.failures);
        EXPECT_FALSE(freshPage.linesVisible);
        EXPECT_EQ(std::vector<std::wstring>{L"detect"}, freshOps.calls);
        EXPECT_EQ(0u, freshPage.questions);
    }
}

TEST_F(Sequence, AMismatchedDeviceCanBeRefused)
{
    UseUsbOnWindows7();
    ops.detections = {InstallResult::UsbDeviceNotMatched};
    RunPage();
    EXPECT_EQ(1u, page.questions);
    ExpectFailure(InstallResult::UsbDeviceNotMatched);
}

TEST_F(Sequence, AForcedInstallationGoesOnWithTheParallelPort)
{
    UseUsbOnWindows7();
    ops.detections = {InstallResult::UsbDeviceNotMatched};
    page.answerYes = true;
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    EXPECT_TRUE(Called(L"printui LPT1:|"));
    EXPECT_TRUE(Called(L"default Quorvex QX1000|USB|LPT1:"));
    // The second detection fails again: no device records, no helper.
    EXPECT_FALSE(Called(L"usb-records"));
    EXPECT_FALSE(Called(L"extract"));
    EXPECT_TRUE(page.failures.empty());
    EXPECT_TRUE(page.testPageVisible);
}

TEST_F(Sequence, StagingFailureStopsBeforeTheDriver)
{
    ops.stageOk = false;
    RunPage();
    ExpectFailure(InstallResult::FilesNotStaged);
    EXPECT_FALSE(Called(L"stage-inf"));
    EXPECT_FALSE(Called(L"register"));
}

TEST_F(Sequence, RegistrationAndPrinterFailuresHaveTheirMessages)
{
    ops.registerOk = false;
    RunPage();
    ExpectFailure(InstallResult::DriverNotAdded);
    EXPECT_FALSE(Called(L"add"));

    FakePage page2;
    FakeHost host2;
    FakeOps ops2;
    ops2.addOk = false;
    InstallSequence second(context, page2, host2, ops2);
    second.OnSetActive();
    EXPECT_EQ(InstallResult::PrinterNotAdded, second.GetResultCode());
    EXPECT_EQ(std::vector<InstallResult>{InstallResult::PrinterNotAdded}, page2.failures);
    EXPECT_TRUE(CalledOn(ops2, L"add Quorvex QX1000|LPT1:"));
    EXPECT_FALSE(CalledOn(ops2, L"default"));
}

TEST_F(Sequence, APrinterListThatDidNotGrowIsAnUnknownError)
{
    UseUsbOnWindows7();
    ops.printUiCreates = false;  // the entry point found no such model
    RunPage();
    ExpectFailure(InstallResult::PrinterNotCreated);
    EXPECT_FALSE(Called(L"default"));

    FakePage page2;
    FakeHost host2;
    FakeOps ops2;
    ops2.printUiOk = false;
    InstallSequence second(context, page2, host2, ops2);
    second.OnSetActive();
    EXPECT_EQ(InstallResult::PrinterNotCreated, second.GetResultCode());
}

TEST_F(Sequence, ATakenNameGetsACopyNumberAndTheNewPrinterIsFound)
{
    UseUsbOnWindows7();
    ops.printers = {L"quorvex qx1000", L"Quorvex QX1000 (Copy 1)"};
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    // The entry point is given the free name, and the printer is found by it.
    EXPECT_TRUE(Called(L"printui USB003|QX1000|Quorvex QX1000 (Copy 2)"));
    EXPECT_EQ(L"Quorvex QX1000 (Copy 2)", sequence.GetPrinterName());
    EXPECT_TRUE(Called(L"default Quorvex QX1000 (Copy 2)|USB|USB003"));
}

TEST_F(Sequence, ANewPrinterOfAnotherNameIsNotMadeDefault)
{
    // Another name altogether, and one that merely holds the model's name.
    for (const wchar_t* other : {L"Something else", L"Quorvex QX1000 Plus"}) {
        UseUsbOnWindows7();
        ops.printers.clear();
        ops.calls.clear();
        ops.printUiName = other;
        RunPage();
        EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
        EXPECT_EQ(L"", sequence.GetPrinterName());
        EXPECT_FALSE(Called(L"default"));
        EXPECT_EQ(DefaultPrinterOutcome::NotSet, sequence.GetDefaultPrinterOutcome());
        EXPECT_TRUE(page.testPageVisible);
    }
}

TEST_F(Sequence, AFailedEnumerationIsShownAndTheRunGoesOn)
{
    ops.enumerateFails = true;
    RunPage();
    // Both lists stay empty, so the run cannot see a new printer.
    EXPECT_EQ((std::vector<std::uint32_t>{5, 5}), page.listErrors);
    EXPECT_EQ(std::vector<InstallResult>{InstallResult::PrinterNotCreated}, page.failures);
    EXPECT_TRUE(Called(L"add"));
}

// A registration that fails is no failure of the installation, whose
// printer is there, but it is said, once, and the run knows it.
TEST_F(Sequence, ARegistrationThatFailsIsReportedAndKnown)
{
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok);
        ops.printers.clear();
        page.notRegistered.clear();
        ops.registerProductOk = ok;
        RunPage();
        EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
        EXPECT_EQ(ok, sequence.IsRegistered());
        EXPECT_EQ(ok ? std::vector<std::wstring>{} : std::vector<std::wstring>{L"Quorvex QX1000"},
                  page.notRegistered);
        EXPECT_EQ(Status::Succeeded, page.status);
    }
    // A failed run registers nothing and claims nothing.
    ops.stageOk = false;
    ops.calls.clear();
    RunPage();
    EXPECT_FALSE(Called(L"register-product"));
    EXPECT_FALSE(sequence.IsRegistered());
}

TEST_F(Sequence, AHelperThatCannotBeWrittenIsReportedOnce)
{
    ops.extractOk = false;
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    EXPECT_EQ(std::vector<std::wstring>{L"Quorvex QX1000"}, page.helperNotWritten);
    EXPECT_FALSE(Called(L"helper"));
    EXPECT_TRUE(page.testPageVisible);
    EXPECT_EQ(Status::Succeeded, page.status);
}

// Every end of the device records is reported as what it is, and no path
// leaves hand-off values behind for a later run of the helper.
TEST_F(Sequence, DeviceRecordsEndAsTheyHappenedAndNoHandOffIsLeft)
{
    HelperRunResult startFailed;
    startFailed.failed = HelperRunResult::Step::Start;
    startFailed.error = 2;
    const struct Case {
        const char* what;
        bool handedOver, extractOk;
        HelperRunResult run;
        CompletionOutcome outcome;
        const wchar_t* lastCalls;  // the calls after the records, joined with ';'
        size_t notWritten, failed;
    } cases[] = {
        // Whatever became of the device records, the installation is
        // registered in the list of programs: its printer is there.
        {"ran", true, true, HelperRunResult(), CompletionOutcome::Finished,
         L"extract;helper;clear-handoff;register-product", 0, 0},
        {"no device", false, true, HelperRunResult(), CompletionOutcome::NothingToFinish,
         L"clear-handoff;register-product", 0, 0},
        {"not written", true, false, HelperRunResult(), CompletionOutcome::HelperNotWritten,
         L"extract;clear-handoff;register-product", 1, 0},
        {"start failed", true, true, startFailed, CompletionOutcome::HelperFailed,
         L"extract;helper;clear-handoff;register-product", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ops.calls.clear();
        page.helperNotWritten.clear();
        page.helperFailed.clear();
        ops.printers.clear();
        ops.handedOver = c.handedOver;
        ops.extractOk = c.extractOk;
        ops.helperRun = c.run;
        RunPage();
        EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
        EXPECT_EQ(c.outcome, sequence.GetCompletionOutcome());
        std::wstring after;
        bool seen = false;
        for (const std::wstring& call : ops.calls) {
            if (seen)
                after += (after.empty() ? L"" : L";") + call.substr(0, call.find(L' '));
            seen = seen || call.compare(0, 11, L"lpt-records") == 0;
        }
        EXPECT_EQ(std::wstring(c.lastCalls), after);
        EXPECT_EQ(c.notWritten, page.helperNotWritten.size());
        ASSERT_EQ(c.failed, page.helperFailed.size());
        if (c.failed) {
            EXPECT_EQ(L"Quorvex QX1000|2|2", page.helperFailed[0]);
        }
        EXPECT_EQ(Status::Succeeded, page.status) << "the printer is there either way";
    }
}

TEST_F(Sequence, TheDefaultPrinterOutcomeIsKept)
{
    for (DefaultPrinterOutcome outcome :
         {DefaultPrinterOutcome::Set, DefaultPrinterOutcome::NotSet, DefaultPrinterOutcome::LeftToUser}) {
        ops.printers.clear();
        ops.defaultOutcome = outcome;
        RunPage();
        EXPECT_EQ(outcome, sequence.GetDefaultPrinterOutcome());
    }
}

TEST_F(Sequence, BackAllowsASecondRunFromEmptyLists)
{
    ops.stageOk = false;
    RunPage();
    EXPECT_EQ(InstallResult::FilesNotStaged, sequence.GetResultCode());
    EXPECT_EQ(0, sequence.OnWizardBack());
    EXPECT_TRUE(page.enabled[Button::Back]);
    EXPECT_TRUE(page.enabled[Button::Next]);
    EXPECT_TRUE(page.enabled[Button::Cancel]);
    EXPECT_FALSE(page.enabled[Button::Finish]);

    ops.stageOk = true;
    ops.printers = {L"Office laser"};
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    EXPECT_EQ(std::vector<std::wstring>{L"Office laser"}, sequence.GetPrintersBefore());
    EXPECT_EQ(2u, sequence.GetPrintersAfter().size());
    EXPECT_FALSE(page.enabled[Button::Back]);
}

TEST_F(Sequence, ButtonsStayDisabledWhileTheRunLasts)
{
    RunPage();
    for (Button b : {Button::Back, Button::Next, Button::Cancel, Button::Finish})
        EXPECT_TRUE(page.everDisabled[b]);
    EXPECT_GT(host.pumps, 100u);  // the window kept painting between steps
}

TEST_F(Sequence, AQuitDuringTheRunEndsItBeforeItsNextStep)
{
    struct Case {
        unsigned quitAtPump;
        std::vector<std::wstring> calls;  // the steps taken before the run ended
    } cases[] = {
        {30, {L"enumerate"}},  // while the system status is shown: before staging
        {180, {L"enumerate", L"stage QX1000", L"stage-inf QX1000"}},  // before the driver
    };
    for (const Case& c : cases) {
        FakePage quitPage;
        FakeHost quitHost;
        FakeOps quitOps;
        quitHost.quitAtPump = c.quitAtPump;
        InstallSequence run(context, quitPage, quitHost, quitOps);
        run.OnSetActive();
        EXPECT_EQ(InstallResult::Interrupted, run.GetResultCode());
        EXPECT_EQ(c.calls, quitOps.calls);
        // No more dispatching after the quit, nothing shown, nothing asked.
        EXPECT_EQ(c.quitAtPump, quitHost.pumps);
        EXPECT_TRUE(quitPage.failures.empty());
        EXPECT_FALSE(quitPage.testPageVisible);
        EXPECT_EQ(Phase::Complete, quitPage.phase);
    }
}

TEST_F(Sequence, TheOperationsTimeComesOutOfTheWaitsThatFollow)
{
    // Listing, staging, registering and adding the printer: 150 ms each,
    // 900 ms in all before the last step of the run.
    ops.clock = &host.clock;
    ops.costMs = 150;
    RunPage();
    EXPECT_EQ(InstallResult::Success, sequence.GetResultCode());
    EXPECT_EQ(100, page.position);
    const std::uint32_t pacing = 48u * 25u + 52u * 20u;
    const std::uint32_t took = host.clockAtBroadcast - 0xFFFFF000u;
    EXPECT_GE(took, pacing);
    EXPECT_LE(took, pacing + 20u) << "the operations' time was added to the pacing";
}

// The network and serial connections: the questions when the printer does
// not answer or is another model, the port made or found, and a port made
// for a printer that was not created taken away again.
TEST_F(Sequence, NetworkAndSerialPrintersFindTheirPortsAndUndoWhatFailed)
{
    const struct {
        const char* name;
        const wchar_t* type;
        bool answered;
        const wchar_t* deviceId;
        bool answerYes, portOk, portCreated, printerOk;
        InstallResult serialResult;
        bool keepExisting;
        InstallResult result;
        const wchar_t* port;          // the port the printer goes on; empty: none
        const wchar_t* question;      // the page's question, or empty
        bool portDeleted;
    } cases[] = {
        {"answers, the model", L"NET", true, L"MFG:Quorvex;MDL:QX1000;", false, true, true, true,
         InstallResult::Success, false, InstallResult::Success, L"IP_10.0.0.5", L"", false},
        {"answers without a device id", L"NET", true, L"", false, true, false, true,
         InstallResult::Success, false, InstallResult::Success, L"IP_10.0.0.5", L"", false},
        {"another model, no", L"NET", true, L"MFG:Quorvex;MDL:QX2000;", false, true, true, true,
         InstallResult::Success, false, InstallResult::NetworkDeviceNotMatched, L"", L"ask other model", false},
        {"another model, yes", L"NET", true, L"MFG:Quorvex;MDL:QX2000;", true, true, true, true,
         InstallResult::Success, false, InstallResult::Success, L"IP_10.0.0.5", L"ask other model", false},
        {"no answer, no", L"NET", false, L"", false, true, true, true, InstallResult::Success, false,
         InstallResult::NetworkNoAnswer, L"", L"ask no answer 10.0.0.5:9100", false},
        {"no answer, yes", L"NET", false, L"", true, true, true, true, InstallResult::Success, false,
         InstallResult::Success, L"IP_10.0.0.5", L"ask no answer 10.0.0.5:9100", false},
        {"port refused", L"NET", true, L"", false, false, false, true, InstallResult::Success, false,
         InstallResult::NetworkPortNotCreated, L"", L"", false},
        {"printer refused on a made port", L"NET", true, L"", false, true, true, false, InstallResult::Success,
         false, InstallResult::PrinterNotCreated, L"IP_10.0.0.5", L"", true},
        {"printer refused on a found port", L"NET", true, L"", false, true, false, false, InstallResult::Success,
         false, InstallResult::PrinterNotCreated, L"IP_10.0.0.5", L"", false},
        {"run again on the found port", L"NET", true, L"", false, true, false, true, InstallResult::Success, true,
         InstallResult::Success, L"", L"", false},
        {"serial", L"COM", false, L"", false, true, false, true, InstallResult::Success, false,
         InstallResult::Success, L"COM3:", L"", false},
        {"serial port missing", L"COM", false, L"", false, true, false, true, InstallResult::SerialPortNotOpened,
         false, InstallResult::SerialPortNotOpened, L"", L"", false},
        {"serial printer refused on an added port", L"COM", false, L"", false, true, true, false,
         InstallResult::Success, false, InstallResult::PrinterNotCreated, L"COM3:", L"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallContext ctx = context;
        MoveTo(ctx, OnWindows(6, 1));
        ctx.model.connectionType = c.type;
        ctx.connection.networkHost = L"10.0.0.5";
        ctx.connection.serialPort = L"COM3";
        FakePage pg;
        FakeHost hs{pg.log};
        FakeOps op;
        pg.answerYes = c.answerYes;
        op.probe.answered = c.answered;
        op.probe.snmpAnswered = c.deviceId[0] != 0;
        op.probe.deviceId = c.deviceId;
        op.portOk = c.portOk;
        op.portCreated = c.portCreated;
        op.printUiOk = op.printUiCreates = c.printerOk;
        op.serialResult = c.serialResult;
        op.printers = {L"Other"};
        if (c.keepExisting)
            op.existingPrinter = L"Quorvex QX1000";
        InstallSequence seq{ctx, pg, hs, op};
        seq.SetPaced(false);
        seq.SetKeepExistingPrinter(c.keepExisting);
        seq.OnSetActive();
        EXPECT_EQ(c.result, seq.GetResultCode());
        std::wstring asked;
        for (const std::wstring& line : pg.log)
            if (line.compare(0, 4, L"ask ") == 0)
                asked = line;
        EXPECT_EQ(std::wstring(c.question), asked.substr(0, std::wcslen(c.question)));
        EXPECT_EQ(c.question[0] != 0, !asked.empty());
        EXPECT_EQ(std::wstring(c.type) == L"NET", CalledOn(op, L"probe 10.0.0.5:9100"));
        if (c.port[0]) {
            EXPECT_TRUE(CalledOn(op, L"printui " + std::wstring(c.port) + L"|")) << "no printer asked for on " << c.port;
        } else {
            EXPECT_FALSE(CalledOn(op, L"printui "));
        }
        EXPECT_EQ(c.portDeleted, CalledOn(op, L"delete-port "));
        if (c.keepExisting) {
            EXPECT_TRUE(seq.KeptExistingPrinter() && CalledOn(op, L"find Quorvex QX1000|IP_10.0.0.5"));
        }
        // Network and serial printers have no Plug-and-Play records to finish.
        EXPECT_FALSE(CalledOn(op, L"usb-records") || CalledOn(op, L"lpt-records") || CalledOn(op, L"helper "));
    }
}
