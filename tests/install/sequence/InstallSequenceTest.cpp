// Every path of the installation run, with a fake page and fake machine
// operations that record what they were asked, in order.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "install/InstallSequence.h"
#include "wizard/res/resource.h"

namespace {

std::wstring W(unsigned id)
{
    return L"<" + std::to_wstring(id) + L">";
}

class FakeUi : public ISetupPageUi {
public:
    std::wstring LoadText(unsigned id) override
    {
        if (id == IDS_COPY_SUFFIX)
            return L" (Copy %d)";
        if (id == IDS_SETUP_UTILITY_CAPTION)
            return L"%sPrinter Setup Utility";
        return W(id);
    }
    void SetWizardTitle(const std::wstring& text) override { title = text; log.push_back(L"title " + text); }
    void SetItemText(int id, const std::wstring& text) override { texts[id] = text; }
    void ShowItem(int id, bool show) override { visible[id] = show; }
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
    void ShowError(const std::wstring& text) override { errors.push_back(text); log.push_back(L"error " + text); }
    bool AskYesNo(const std::wstring& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    void ShowMessage(const std::wstring& caption, const std::wstring& text) override
    {
        messages.push_back(caption + L"|" + text);
    }
    bool PumpMessages() override
    {
        ++pumps;
        clock += pumpCostMs;
        return true;
    }
    void Sleep(unsigned ms) override
    {
        sleptMs += ms;
        clock += ms;
    }
    // Time passes only while sleeping, plus whatever a test adds per pump
    // (the cost of repainting).
    std::uint32_t TickCount() override { return clock; }
    void BroadcastSettingChange() override { log.push_back(L"broadcast"); }

    std::wstring title;
    std::map<int, std::wstring> texts;
    std::map<int, bool> visible;
    std::map<int, bool> enabled, everDisabled;
    int rangeLow = 0, rangeHigh = 100, step = 10, position = 0;
    std::vector<std::wstring> log, errors, questions, messages;
    bool answerYes = false;
    unsigned pumps = 0, sleptMs = 0, pumpCostMs = 0;
    std::uint32_t clock = 0xFFFFF000u;  // wraps around during the run
};

class FakeOps : public IInstallOperations {
public:
    std::int32_t DetectUsbPrinterPort(std::wstring& description, std::wstring& port) override
    {
        calls.push_back(L"detect");
        std::int32_t status = detections.empty() ? 0 : detections.front();
        if (!detections.empty() && detections.size() > 1)
            detections.erase(detections.begin());
        if (status == 0) {
            description = L"Virtual printer port for USB";
            port = L"USB003";
        }
        return status;
    }
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::wstring& errorText) override
    {
        calls.push_back(L"enumerate");
        names.clear();
        if (enumerateFails) {
            errorText = L"enumeration failed 5";
            return false;
        }
        names = printers;
        return true;
    }
    bool StageDriverFiles(const std::wstring& base) override
    {
        calls.push_back(L"stage " + base);
        return stageOk;
    }
    bool StageInfAndCatalog(const std::wstring& base) override
    {
        calls.push_back(L"stage-inf " + base);
        return true;
    }
    bool RegisterPrinterDriver(const std::wstring& base, const std::wstring& driver, const std::wstring& type) override
    {
        calls.push_back(L"register " + base + L"|" + driver + L"|" + type);
        return registerOk;
    }
    bool AddPrinterDirect(const std::wstring& name, const std::wstring& port) override
    {
        calls.push_back(L"add " + name + L"|" + port);
        if (addOk)
            printers.push_back(name);
        return addOk;
    }
    bool InstallPrinterWithPrintUI(const std::wstring& port) override
    {
        calls.push_back(L"printui " + port);
        if (printUiCreates)
            printers.push_back(printUiName);
        return printUiOk;
    }
    void MakeDefaultPrinter(const std::wstring& name, const std::wstring& type, const std::wstring& port) override
    {
        calls.push_back(L"default " + name + L"|" + type + L"|" + port);
    }
    void WriteUsbDeviceRecords(const std::wstring& suffix) override { calls.push_back(L"usb-records " + suffix); }
    void WriteLptDeviceRecords(const std::wstring& suffix) override { calls.push_back(L"lpt-records " + suffix); }
    bool ExtractHelperService(const std::wstring& exe) override
    {
        calls.push_back(L"extract " + exe);
        return extractOk;
    }
    std::wstring CommonFilesFolder() override { return L"C:\\Program Files\\Common Files"; }
    void RunHelperServiceOnce(const std::wstring& path, const std::wstring& name) override
    {
        calls.push_back(L"helper " + path + L"|" + name);
    }

    std::vector<std::wstring> calls;
    std::vector<std::wstring> printers;
    std::vector<std::int32_t> detections;
    bool enumerateFails = false, stageOk = true, registerOk = true, addOk = true;
    bool printUiOk = true, printUiCreates = true, extractOk = true;
    std::wstring printUiName = L"Quorvex QX1000";
};

class Sequence : public testing::Test {
protected:
    Sequence()
    {
        context.osMajorVersion = 5;
        context.osMinorVersion = 1;
        context.useLegacyInstall = true;
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
        context.osMajorVersion = 6;
        context.useLegacyInstall = false;
        context.model.connectionType = L"USB";
    }
    // What the frame does around the page on Next to the last page.
    void RunPage()
    {
        sequence.OnSetActive();
        ui.EnableButton(ISetupPageUi::Next, false);
        ui.EnableButton(ISetupPageUi::Finish, true);
        ui.EnableButton(ISetupPageUi::Back, true);
        sequence.OnAfterNext();
    }
    bool Called(const std::wstring& prefix) const
    {
        for (const std::wstring& c : ops.calls)
            if (c.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    }
    void ExpectFailure(std::int32_t code, unsigned messageId)
    {
        EXPECT_EQ(code, sequence.GetResultCode());
        ASSERT_EQ(1u, ui.errors.size());
        EXPECT_EQ(W(messageId), ui.errors[0]);
        EXPECT_EQ(100, ui.position);
        EXPECT_EQ(W(IDS_INSTALL_FAILED), ui.texts[IDC_SETUP_STATUS]);
        EXPECT_EQ(W(IDS_CAPTION_COMPLETE), ui.title);
        EXPECT_TRUE(ui.enabled[ISetupPageUi::Back]);
        EXPECT_TRUE(ui.enabled[ISetupPageUi::Finish]);
        EXPECT_FALSE(ui.enabled[ISetupPageUi::Cancel]);
        EXPECT_FALSE(ui.visible[IDC_TEST_PAGE]);
    }

    InstallContext context;
    FakeUi ui;
    FakeOps ops;
    InstallSequence sequence{context, ui, ops};
};

}  // namespace

TEST_F(Sequence, ParallelOnWindowsXpUsesTheSpoolerDirectly)
{
    ops.printers = {L"Office laser"};
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    std::vector<std::wstring> expected = {
        L"enumerate",
        L"stage QX1000",
        L"stage-inf QX1000",
        L"register QX1000|Quorvex QX1000|LPT",
        L"add Quorvex QX1000|LPT1:",
        L"enumerate",
        L"default Quorvex QX1000|LPT|LPT1:",
        L"lpt-records C3D4",
        L"extract QPHelper.exe",
        L"helper C:\\Program Files\\Common Files\\Services\\QPHelper.exe|Quorvex Printer Helper",
    };
    EXPECT_EQ(expected, ops.calls);
    EXPECT_EQ(L"Quorvex QX1000", sequence.GetPrinterName());
    EXPECT_EQ(W(IDS_NAME_LABEL) + L" \tQuorvex QX1000", ui.texts[IDC_SETUP_NAME]);
    EXPECT_EQ(W(IDS_PORT_LABEL) + L" \tLPT1:", ui.texts[IDC_SETUP_PORT]);
    EXPECT_EQ(W(IDS_MODEL_LINE_LABEL) + L" \tQuorvex QX1000", ui.texts[IDC_SETUP_MODEL]);
    EXPECT_EQ(W(IDS_INSTALL_SUCCESS), ui.texts[IDC_SETUP_STATUS]);
    EXPECT_EQ(W(IDS_SETUP_HEADING), ui.texts[IDC_SETUP_HEADING]);
    EXPECT_EQ(W(IDS_CAPTION_COMPLETE), ui.title);
    EXPECT_TRUE(ui.visible[IDC_TEST_PAGE]);
    EXPECT_TRUE(ui.visible[IDC_SETUP_NAME]);
    EXPECT_FALSE(ui.visible.count(IDC_SETUP_MODEL) && ui.visible[IDC_SETUP_MODEL]);
    EXPECT_EQ(100, ui.position);
    EXPECT_TRUE(ui.errors.empty());
    // After success only Finish is left.
    EXPECT_FALSE(ui.enabled[ISetupPageUi::Back]);
    EXPECT_FALSE(ui.enabled[ISetupPageUi::Next]);
    EXPECT_FALSE(ui.enabled[ISetupPageUi::Cancel]);
    EXPECT_TRUE(ui.enabled[ISetupPageUi::Finish]);
    // The broadcast follows the final repaint; the title changes last.
    ASSERT_GE(ui.log.size(), 3u);
    EXPECT_EQ(L"title " + W(IDS_CAPTION_INSTALLING), ui.log.front());
    EXPECT_EQ(L"title " + W(IDS_CAPTION_COMPLETE), ui.log.back());
}

TEST_F(Sequence, UsbOnWindows7GoesThroughTheInstallationEntryPoint)
{
    UseUsbOnWindows7();
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    std::vector<std::wstring> expected = {
        L"detect",
        L"enumerate",
        L"stage QX1000",
        L"stage-inf QX1000",
        L"printui USB003",
        L"enumerate",
        L"default Quorvex QX1000|USB|USB003",
        L"detect",
        L"usb-records 7A2B",
        L"extract QPHelper.exe",
        L"helper C:\\Program Files\\Common Files\\Services\\QPHelper.exe|Quorvex Printer Helper",
    };
    EXPECT_EQ(expected, ops.calls);
    EXPECT_EQ(W(IDS_PORT_LABEL) + L" \tUSB003", ui.texts[IDC_SETUP_PORT]);
}

TEST_F(Sequence, ProgressIsPacedAndEndsFull)
{
    RunPage();
    // Four statuses of 12 steps at 25 ms, then one step every 20 ms to 100.
    EXPECT_EQ(48u * 25u + 52u * 20u, ui.sleptMs);
    EXPECT_EQ(100, ui.position);
    EXPECT_EQ(1, ui.rangeLow);
    EXPECT_EQ(100, ui.rangeHigh);
    EXPECT_EQ(1, ui.step);
}

TEST_F(Sequence, SlowRepaintsEatIntoTheWaitsInsteadOfAddingToThem)
{
    ui.pumpCostMs = 4;  // each dispatch of pending messages takes 4 ms
    RunPage();
    // The run still lasts about the pacing: a step takes its 25 ms (20 ms
    // in the fill) including the repaint, not 25 ms plus every repaint.
    // Only the last dispatch of each wait may run over: about 4 ms a step,
    // where adding every dispatch would cost some 1.9 s.
    EXPECT_EQ(100, ui.position);
    std::uint32_t took = ui.clock - 0xFFFFF000u;
    EXPECT_LE(took, 48u * 25u + 52u * 20u + 600u);
    EXPECT_GE(took, 48u * 25u + 52u * 20u);
    EXPECT_LT(ui.sleptMs, 48u * 25u + 52u * 20u);
}

TEST_F(Sequence, TooOldSystemsStopBeforeAnythingElse)
{
    for (std::uint32_t major : {0u, 4u}) {
        FakeUi freshUi;
        FakeOps freshOps;
        context.osMajorVersion = major;
        InstallSequence run(context, freshUi, freshOps);
        run.OnSetActive();
        run.OnAfterNext();
        EXPECT_EQ(SystemTooOld, run.GetResultCode());
        EXPECT_TRUE(freshOps.calls.empty());
        ASSERT_EQ(1u, freshUi.errors.size());
        EXPECT_EQ(W(IDS_ERR_SYSTEM_TOO_OLD), freshUi.errors[0]);
        // The name and port lines stay with their bare labels.
        EXPECT_TRUE(freshUi.visible[IDC_SETUP_NAME]);
        EXPECT_EQ(W(IDS_NAME_LABEL), freshUi.texts[IDC_SETUP_NAME]);
        EXPECT_EQ(W(IDS_PORT_LABEL), freshUi.texts[IDC_SETUP_PORT]);
        EXPECT_TRUE(freshUi.enabled[ISetupPageUi::Back]);
    }
}

TEST_F(Sequence, UsbDetectionFailuresHideTheLinesAndExplain)
{
    struct Case {
        std::int32_t status;
        unsigned message;
    } cases[] = {{UsbNoPrinter, IDS_ERR_USB_NO_PRINTER}, {UsbNotAvailable, IDS_ERR_USB_NOT_AVAILABLE}};
    UseUsbOnWindows7();
    for (const Case& k : cases) {
        FakeUi freshUi;
        FakeOps freshOps;
        freshOps.detections = {k.status};
        InstallSequence run(context, freshUi, freshOps);
        run.OnSetActive();
        EXPECT_EQ(k.status, run.GetResultCode());
        ASSERT_EQ(1u, freshUi.errors.size());
        EXPECT_EQ(W(k.message), freshUi.errors[0]);
        EXPECT_FALSE(freshUi.visible[IDC_SETUP_NAME]);
        EXPECT_FALSE(freshUi.visible[IDC_SETUP_PORT]);
        EXPECT_EQ(std::vector<std::wstring>{L"detect"}, freshOps.calls);
        EXPECT_TRUE(freshUi.questions.empty());
    }
}

TEST_F(Sequence, AMismatchedDeviceCanBeRefused)
{
    UseUsbOnWindows7();
    ops.detections = {UsbDeviceNotMatched};
    RunPage();
    ASSERT_EQ(1u, ui.questions.size());
    EXPECT_EQ(W(IDS_ASK_FORCE_INSTALL), ui.questions[0]);
    ExpectFailure(UsbDeviceNotMatched, IDS_ERR_DEVICE_MISMATCH);
}

TEST_F(Sequence, AForcedInstallationGoesOnWithTheParallelPort)
{
    UseUsbOnWindows7();
    ops.detections = {UsbDeviceNotMatched};
    ui.answerYes = true;
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    EXPECT_TRUE(Called(L"printui LPT1:"));
    EXPECT_TRUE(Called(L"default Quorvex QX1000|USB|LPT1:"));
    // The second detection fails again: no device records, no helper.
    EXPECT_FALSE(Called(L"usb-records"));
    EXPECT_FALSE(Called(L"extract"));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ui.visible[IDC_TEST_PAGE]);
}

TEST_F(Sequence, StagingFailureStopsBeforeTheDriver)
{
    ops.stageOk = false;
    RunPage();
    ExpectFailure(FilesNotStaged, IDS_ERR_FILES_NOT_STAGED);
    EXPECT_FALSE(Called(L"stage-inf"));
    EXPECT_FALSE(Called(L"register"));
}

TEST_F(Sequence, RegistrationAndPrinterFailuresHaveTheirMessages)
{
    ops.registerOk = false;
    RunPage();
    ExpectFailure(DriverNotAdded, IDS_ERR_DRIVER_NOT_ADDED);
    EXPECT_FALSE(Called(L"add"));

    FakeUi ui2;
    FakeOps ops2;
    ops2.addOk = false;
    InstallSequence second(context, ui2, ops2);
    second.OnSetActive();
    EXPECT_EQ(PrinterNotAdded, second.GetResultCode());
    EXPECT_EQ(std::vector<std::wstring>{W(IDS_ERR_PRINTER_NOT_ADDED)}, ui2.errors);
    EXPECT_FALSE(Called(L"default"));
}

TEST_F(Sequence, APrinterListThatDidNotGrowIsAnUnknownError)
{
    UseUsbOnWindows7();
    ops.printUiCreates = false;  // the entry point found no such model
    RunPage();
    ExpectFailure(PrinterNotCreated, IDS_ERR_UNKNOWN);
    EXPECT_FALSE(Called(L"default"));

    FakeUi ui2;
    FakeOps ops2;
    ops2.printUiOk = false;
    InstallSequence second(context, ui2, ops2);
    second.OnSetActive();
    EXPECT_EQ(PrinterNotCreated, second.GetResultCode());
}

TEST_F(Sequence, ATakenNameGetsACopyNumberAndTheNewPrinterIsFound)
{
    UseUsbOnWindows7();
    ops.printers = {L"quorvex qx1000", L"Quorvex QX1000 (Copy 1)"};
    ops.printUiName = L"Quorvex QX1000 (Copy 2)";
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    EXPECT_EQ(L"Quorvex QX1000 (Copy 2)", sequence.GetPrinterName());
    EXPECT_TRUE(Called(L"default Quorvex QX1000 (Copy 2)|USB|USB003"));
}

TEST_F(Sequence, ANewPrinterOfAnotherNameIsNotMadeDefault)
{
    UseUsbOnWindows7();
    ops.printUiName = L"Something else";
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    EXPECT_EQ(L"", sequence.GetPrinterName());
    EXPECT_FALSE(Called(L"default"));
    EXPECT_TRUE(ui.visible[IDC_TEST_PAGE]);
}

TEST_F(Sequence, AFailedEnumerationIsShownAndTheRunGoesOn)
{
    ops.enumerateFails = true;
    RunPage();
    // Both lists stay empty, so the run cannot see a new printer.
    ASSERT_EQ(3u, ui.errors.size());
    EXPECT_EQ(L"enumeration failed 5", ui.errors[0]);
    EXPECT_EQ(L"enumeration failed 5", ui.errors[1]);
    EXPECT_EQ(W(IDS_ERR_UNKNOWN), ui.errors[2]);
    EXPECT_TRUE(Called(L"add"));
}

TEST_F(Sequence, AHelperThatCannotBeWrittenIsReportedOnce)
{
    ops.extractOk = false;
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ(L"Quorvex QX1000Printer Setup Utility|" + W(IDS_ERR_EXTRACT_HELPER), ui.messages[0]);
    EXPECT_FALSE(Called(L"helper"));
    EXPECT_TRUE(ui.visible[IDC_TEST_PAGE]);
    EXPECT_EQ(W(IDS_INSTALL_SUCCESS), ui.texts[IDC_SETUP_STATUS]);
}

TEST_F(Sequence, BackAllowsASecondRunFromEmptyLists)
{
    ops.stageOk = false;
    RunPage();
    EXPECT_EQ(FilesNotStaged, sequence.GetResultCode());
    EXPECT_EQ(0, sequence.OnWizardBack());
    EXPECT_TRUE(ui.enabled[ISetupPageUi::Back]);
    EXPECT_TRUE(ui.enabled[ISetupPageUi::Next]);
    EXPECT_TRUE(ui.enabled[ISetupPageUi::Cancel]);
    EXPECT_FALSE(ui.enabled[ISetupPageUi::Finish]);

    ops.stageOk = true;
    ops.printers = {L"Office laser"};
    RunPage();
    EXPECT_EQ(Success, sequence.GetResultCode());
    EXPECT_EQ(std::vector<std::wstring>{L"Office laser"}, sequence.GetPrintersBefore());
    EXPECT_EQ(2u, sequence.GetPrintersAfter().size());
    EXPECT_FALSE(ui.enabled[ISetupPageUi::Back]);
}

TEST_F(Sequence, ButtonsStayDisabledWhileTheRunLasts)
{
    RunPage();
    for (ISetupPageUi::Button b : {ISetupPageUi::Back, ISetupPageUi::Next, ISetupPageUi::Cancel, ISetupPageUi::Finish})
        EXPECT_TRUE(ui.everDisabled[b]);
    EXPECT_GT(ui.pumps, 100u);  // the window kept painting between steps
}

TEST(HelperServicePath, OneBackslashBeforeServices)
{
    EXPECT_EQ(L"C:\\Common\\Services\\QPHelper.exe", ComposeHelperServicePath(L"C:\\Common", L"QPHelper.exe"));
    EXPECT_EQ(L"C:\\Common\\Services\\QPHelper.exe", ComposeHelperServicePath(L"C:\\Common\\", L"QPHelper.exe"));
    EXPECT_EQ(L"\\Services\\QPHelper.exe", ComposeHelperServicePath(L"", L"QPHelper.exe"));
}

TEST(InstallResults, EachFailureHasItsMessage)
{
    EXPECT_EQ(0u, MessageIdForResult(Success));
    EXPECT_EQ(unsigned(IDS_ERR_USB_NO_PRINTER), MessageIdForResult(1));
    EXPECT_EQ(unsigned(IDS_ERR_DEVICE_MISMATCH), MessageIdForResult(2));
    EXPECT_EQ(unsigned(IDS_ERR_USB_NOT_AVAILABLE), MessageIdForResult(10));
    EXPECT_EQ(unsigned(IDS_ERR_FILES_NOT_STAGED), MessageIdForResult(20));
    EXPECT_EQ(unsigned(IDS_ERR_UNKNOWN), MessageIdForResult(30));
    EXPECT_EQ(unsigned(IDS_ERR_DRIVER_NOT_ADDED), MessageIdForResult(60));
    EXPECT_EQ(unsigned(IDS_ERR_PRINTER_NOT_ADDED), MessageIdForResult(70));
    EXPECT_EQ(unsigned(IDS_ERR_SYSTEM_TOO_OLD), MessageIdForResult(100));
    EXPECT_EQ(0u, MessageIdForResult(3));
}
