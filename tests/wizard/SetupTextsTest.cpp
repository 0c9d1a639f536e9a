// Which texts the setup page shows for what the installation run tells it.
#include <gtest/gtest.h>

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
