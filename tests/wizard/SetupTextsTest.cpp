// Which texts the setup page shows for what the installation run tells it.
#include <gtest/gtest.h>

#include <set>

#include "wizard/SetupTexts.h"
#include "wizard/res/resource.h"

TEST(SetupTexts, EachFailureHasItsMessage)
{
    EXPECT_EQ(0u, MessageIdForResult(InstallResult::Success));
    EXPECT_EQ(unsigned(IDS_ERR_USB_NO_PRINTER), MessageIdForResult(InstallResult(1)));
    EXPECT_EQ(unsigned(IDS_ERR_DEVICE_MISMATCH), MessageIdForResult(InstallResult(2)));
    EXPECT_EQ(unsigned(IDS_ERR_USB_NOT_AVAILABLE), MessageIdForResult(InstallResult(10)));
    EXPECT_EQ(unsigned(IDS_ERR_FILES_NOT_STAGED), MessageIdForResult(InstallResult(20)));
    EXPECT_EQ(unsigned(IDS_ERR_UNKNOWN), MessageIdForResult(InstallResult(30)));
    EXPECT_EQ(unsigned(IDS_ERR_DRIVER_NOT_ADDED), MessageIdForResult(InstallResult(60)));
    EXPECT_EQ(unsigned(IDS_ERR_PRINTER_NOT_ADDED), MessageIdForResult(InstallResult(70)));
    EXPECT_EQ(unsigned(IDS_ERR_SYSTEM_TOO_OLD), MessageIdForResult(InstallResult(100)));
    EXPECT_EQ(0u, MessageIdForResult(InstallResult(3)));
}

// Every result a run reports has one row, with a message for the wizard
// (none when the program is ending) and an explanation for the log; the
// model's name goes where the row asks for it.
TEST(SetupTexts, EveryResultHasOneRowForTheWizardAndTheLog)
{
    const InstallResult reported[] = {
        InstallResult::UsbNoPrinter,   InstallResult::UsbDeviceNotMatched, InstallResult::UsbNotAvailable,
        InstallResult::FilesNotStaged, InstallResult::PrinterNotCreated,   InstallResult::DriverNotAdded,
        InstallResult::PrinterNotAdded, InstallResult::SystemTooOld,       InstallResult::Interrupted,
        InstallResult::NetworkNoAnswer, InstallResult::NetworkDeviceNotMatched, InstallResult::NetworkPortNotCreated,
        InstallResult::SerialPortNotOpened, InstallResult::SerialPortNotConfigured,
    };
    EXPECT_EQ(sizeof(reported) / sizeof(reported[0]), kResultTextCount) << "a row for no result, or twice";
    for (InstallResult result : reported) {
        SCOPED_TRACE(ResultValue(result));
        const ResultText* row = FindResultText(result);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(result, row->result);
        EXPECT_EQ(row->messageId, MessageIdForResult(result));
        EXPECT_EQ(result != InstallResult::Interrupted, row->messageId != 0);
        const std::wstring text = ResultLogText(result, L"Quorvex QX1000");
        // One clause of a sentence: "Failed: <text>."
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(text[0] >= L'a' && text[0] <= L'z');
        EXPECT_NE(L'.', text.back());
        EXPECT_EQ(std::wstring::npos, text.find(L'%')) << "a placeholder left unfilled";
    }
    EXPECT_EQ(nullptr, FindResultText(InstallResult::Success));
    EXPECT_EQ(L"", ResultLogText(InstallResult::Success, L"Quorvex QX1000"));
    EXPECT_EQ(L"", ResultLogText(InstallResult(3), L"Quorvex QX1000"));
    EXPECT_EQ(L"no connected USB printer is a Quorvex QX2000; /force installs on it anyway",
              ResultLogText(InstallResult::UsbDeviceNotMatched, L"Quorvex QX2000"));
    EXPECT_EQ(L"the printer was not created", ResultLogText(InstallResult::PrinterNotCreated, L"Quorvex QX2000"));

    // Removal's outcomes: each its own message, a whole sentence for the log
    // and the exit code deployment tools know for it (Windows Installer's).
    const struct {
        RemovalOutcome outcome;
        int exitCode;
    } outcomes[] = {{RemovalOutcome::Removed, 0},
                    {RemovalOutcome::RemovedAtRestart, 3010},
                    {RemovalOutcome::NothingInstalled, 1605},
                    {RemovalOutcome::Incomplete, 1603}};
    EXPECT_EQ(sizeof(outcomes) / sizeof(outcomes[0]), kRemovalTextCount);
    std::set<unsigned> ids;
    for (const auto& row : outcomes) {
        const RemovalOutcome outcome = row.outcome;
        EXPECT_EQ(row.exitCode, RemovalExitCode(outcome));
        EXPECT_TRUE(ids.insert(RemovalMessageId(outcome)).second) << "two outcomes share a message";
        const std::wstring text = RemovalLogText(outcome);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(L'.', text.back());
    }
    EXPECT_EQ(0u, ids.count(0u));
}

TEST(SetupTexts, StatusesPhasesAndTheHelperCaption)
{
    using Status = ISetupPage::Status;
    EXPECT_EQ(0u, StatusTextId(Status::None));
    EXPECT_EQ(unsigned(IDS_STATUS_SYSTEM_INFO), StatusTextId(Status::SystemInfo));
    EXPECT_EQ(unsigned(IDS_STATUS_COPY_FILES), StatusTextId(Status::CopyFiles));
    EXPECT_EQ(unsigned(IDS_STATUS_ADD_DRIVER), StatusTextId(Status::AddDriver));
    EXPECT_EQ(unsigned(IDS_STATUS_ADD_PRINTER), StatusTextId(Status::AddPrinter));
    EXPECT_EQ(unsigned(IDS_INSTALL_SUCCESS), StatusTextId(Status::Succeeded));
    EXPECT_EQ(unsigned(IDS_INSTALL_FAILED), StatusTextId(Status::Failed));
    EXPECT_EQ(unsigned(IDS_CAPTION_INSTALLING), PhaseTitleId(ISetupPage::Phase::Installing));
    EXPECT_EQ(unsigned(IDS_CAPTION_COMPLETE), PhaseTitleId(ISetupPage::Phase::Complete));
    EXPECT_EQ(L"Quorvex QX1000Printer Setup Utility",
              SetupUtilityCaption(L"%sPrinter Setup Utility", L"Quorvex QX1000"));
    EXPECT_EQ(L"Printer Setup Utility", SetupUtilityCaption(L"Printer Setup Utility", L"Quorvex QX1000"));
}
