// The helper's pure decisions: log path and entry format, the command-line
// switches, and which parallel-port instances receive the hand-off values.
#include "helper/HelperCore.h"
#include "support/RegistryText.h"

#include <gtest/gtest.h>

#include <string>

TEST(HelperPaths, LogPathReplacesTheExtensionOfTheProgramPath)
{
    const HelperPaths paths =
        DeriveHelperPaths("C:\\Program Files\\Common Files\\Services\\QPHelper.exe");
    EXPECT_EQ("C:\\Program Files\\Common Files\\Services\\QPHelper.exe", paths.installPath);
    EXPECT_EQ("C:\\Program Files\\Common Files\\Services\\QPHelper.log", paths.logPath);

    // Any three-letter extension is replaced, whatever its case.
    EXPECT_EQ("D:\\x\\QPHELPER.log", DeriveHelperPaths("D:\\x\\QPHELPER.EXE").logPath);
    // Five characters are the shortest path with a log path.
    EXPECT_EQ("a.log", DeriveHelperPaths("a.exe").logPath);
}

TEST(HelperPaths, PathsWithoutAThreeLetterExtensionGiveNeitherPath)
{
    for (const char* path : {"", ".exe", "exe", "C:\\Services\\QPHelper", "C:\\dir.d\\QPHelper.ex",
                             "C:\\Services\\QPHelper.exe1"}) {
        const HelperPaths paths = DeriveHelperPaths(path);
        EXPECT_EQ("", paths.logPath) << path;
        EXPECT_EQ("", paths.installPath) << path;
    }
}

TEST(HelperLogEntry, StampIsZeroPaddedAndTheMessageFollowsOnAnIndentedLine)
{
    LogTime time;
    time.year = 2024;
    time.month = 3;
    time.day = 7;
    time.hour = 9;
    time.minute = 5;
    time.second = 1;
    EXPECT_EQ("03/07/2024, 09:05:01\n    Service Quorvex Printer Helper installed\n",
              FormatLogEntry(time, "Service Quorvex Printer Helper installed\n"));
    // No newline is added: this entry runs into the next one.
    EXPECT_EQ("03/07/2024, 09:05:01\n    dwUpdateMode == 0", FormatLogEntry(time, "dwUpdateMode == 0"));
    time.month = 12;
    time.day = 31;
    time.hour = 23;
    time.minute = 59;
    time.second = 59;
    EXPECT_EQ("12/31/2024, 23:59:59\n    ", FormatLogEntry(time, ""));
}

TEST(HelperLogEntry, MessagesAreComposedPrintfStyleWithoutTruncation)
{
    EXPECT_EQ("Failed to create service Quorvex Printer Helper, error code = 1073\n",
              FormatLogMessage("Failed to create service %s, error code = %d\n", kServiceName,
                               1073));
    // A percent sign in the argument stays as it is.
    EXPECT_EQ("write to path = A%dB", FormatLogMessage("write to path = %s", "A%dB"));
    const std::string longPath(3000, 'x');
    EXPECT_EQ("p=" + longPath, FormatLogMessage("p=%s", longPath.c_str()));
    EXPECT_EQ("", FormatLogMessage("%s", ""));
}

TEST(HelperCommandLine, OnlyTheFourSwitchesInEitherCaseSelectAnAction)
{
    EXPECT_EQ(HelperCommand::Install, ParseHelperCommand("-i"));
    EXPECT_EQ(HelperCommand::Install, ParseHelperCommand("-I"));
    EXPECT_EQ(HelperCommand::Stop, ParseHelperCommand("-k"));
    EXPECT_EQ(HelperCommand::Stop, ParseHelperCommand("-K"));
    EXPECT_EQ(HelperCommand::Remove, ParseHelperCommand("-u"));
    EXPECT_EQ(HelperCommand::Remove, ParseHelperCommand("-U"));
    EXPECT_EQ(HelperCommand::Start, ParseHelperCommand("-s"));
    EXPECT_EQ(HelperCommand::Start, ParseHelperCommand("-S"));

    for (const char* other : {"", "-", "i", "/i", "-x", "-install", "-ii", "--i", "-i ", "-\xc9"})
        EXPECT_EQ(HelperCommand::RunAsService, ParseHelperCommand(other)) << other;
    EXPECT_EQ(HelperCommand::RunAsService, ParseHelperCommand(nullptr));
}

TEST(LptSelection, OnlyTheHandedOverKeyOrTheGenericOneIsSelected)
{
    const std::string toPath = "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\QUORVEXQX100C3D4";
    EXPECT_TRUE(IsLptDeviceKeySelected("QuorvexQX100C3D4", toPath));
    EXPECT_TRUE(IsLptDeviceKeySelected("QUORVEXQX100C3D4", "system\\currentcontrolset\\enum\\lptenum\\quorvexqx100c3d4"));
    EXPECT_TRUE(IsLptDeviceKeySelected("QuorvexPrinter", toPath));
    EXPECT_TRUE(IsLptDeviceKeySelected("QuorvexPrinter", ""));
    // Look-alikes of either are other printers: a longer model, the series,
    // the generic name with more to it or in another case.
    for (const char* other : {"QuorvexQX1000C3D4", "QuorvexQX100C3D", "QuorvexQX", "QuorvexPrinter2",
                              "quorvexprinter", "OtherMaker_Laser", ""})
        EXPECT_FALSE(IsLptDeviceKeySelected(other, toPath)) << other;
    // A path that is not below the parallel-port enumerator selects nothing.
    EXPECT_FALSE(IsLptDeviceKeySelected("QUORVEXQX100C3D4", "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\QUORVEXQX100C3D4"));
    EXPECT_FALSE(IsLptDeviceKeySelected("QUORVEXQX100C3D4", "QUORVEXQX100C3D4"));
    EXPECT_FALSE(IsLptDeviceKeySelected("X", "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\X\\0000"));
}

TEST(UsbHandOff, OnlyOneDeviceKeyDirectlyBelowTheUsbPrintingEnumerator)
{
    for (const char* ours : {"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\QuorvexQX10007A2B",
                             "system\\currentcontrolset\\enum\\usbprint\\quorvexqx10007a2b"})
        EXPECT_TRUE(IsUsbDevicePath(ours)) << ours;
    for (const char* other : {
             "",                                                              // nothing handed over
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\",                      // the enumerator itself
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT",
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\QuorvexQX10007A2B\\0001",  // an instance
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\..",                    // climbing out
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\.",
             "SYSTEM\\CurrentControlSet\\Enum\\USBPRINTER\\QuorvexQX10007A2B",   // a longer enumerator
             "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\QuorvexQX1000C3D4",     // another enumerator
             "SYSTEM\\CurrentControlSet\\Services\\QuorvexQX10007A2B",
             "SOFTWARE\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\QuorvexQX10007A2B"})
        EXPECT_FALSE(IsUsbDevicePath(other)) << other;
}

TEST(LptSelection, GenericKeyGetsTheValuesTwiceWhenItsInstanceHasNoMfg)
{
    // The key named exactly "QuorvexPrinter".
    EXPECT_EQ(2, LptInstanceWriteCount("QuorvexPrinter", false));
    EXPECT_EQ(1, LptInstanceWriteCount("QuorvexPrinter", true));
    // The handed-over key, whatever its name: only instances without "Mfg".
    EXPECT_EQ(1, LptInstanceWriteCount("QuorvexVKT-1000", false));
    EXPECT_EQ(0, LptInstanceWriteCount("QuorvexVKT-1000", true));
    EXPECT_EQ(1, LptInstanceWriteCount("QuorvexPrinter2", false));
    EXPECT_EQ(0, LptInstanceWriteCount("QuorvexPrinter2", true));
    EXPECT_EQ(0, LptInstanceWriteCount("quorvexprinter", true));
}

TEST(RegistryText, TextEndsAtTheFirstNulOrAtTheEndOfTheData)
{
    const char terminated[] = "Quorvex\0junk";
    EXPECT_EQ("Quorvex", TextFromRegistryData(terminated, sizeof(terminated)));
    // A multi-string gives its first string.
    const char multi[] = "first\0second\0";
    EXPECT_EQ("first", TextFromRegistryData(multi, sizeof(multi)));
    // Data without a terminator: nothing beyond the returned size is read.
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ("abc", TextFromRegistryData(unterminated, 3));
    EXPECT_EQ("abcd", TextFromRegistryData(unterminated, 4));
    EXPECT_EQ("", TextFromRegistryData(unterminated, 0));
    EXPECT_EQ("", TextFromRegistryData<char>(nullptr, 10));
}
