#include <gtest/gtest.h>

#include <map>
#include <string>

#include "context/InstallRecord.h"
#include "context/ProductInfo.h"
#include "context/Version.h"

TEST(InstallRecord, AddsEachThingOnceAsWindowsComparesNames)
{
    InstallRecord record;
    EXPECT_TRUE(record.Empty());
    EXPECT_TRUE(record.AddRecordedPrinter({L"Quorvex QX1000", L"Quorvex QX1000"}));
    EXPECT_FALSE(record.AddRecordedPrinter({L"QUORVEX qx1000", L"other"}));
    EXPECT_TRUE(record.AddDriver({L"Quorvex QX1000", L"Windows NT x86", 3}));
    EXPECT_FALSE(record.AddDriver({L"quorvex QX1000", L"windows nt x86", 3}));
    EXPECT_TRUE(record.AddDriver({L"Quorvex QX1000", L"Windows x64", 3})) << "another environment is another driver";
    EXPECT_TRUE(record.AddDriver({L"Quorvex QX1000", L"Windows NT x86", 2})) << "and so is another version";
    EXPECT_TRUE(record.AddFile(L"C:\\W\\spool\\QX1000.INF"));
    EXPECT_FALSE(record.AddFile(L"c:\\w\\SPOOL\\qx1000.inf"));
    // Only ASCII letters fold: the file system may tell these apart.
    EXPECT_TRUE(record.AddFile(L"C:\\W\\spool\\\u00C9.INF"));
    EXPECT_TRUE(record.AddFile(L"C:\\W\\spool\\\u00E9.INF"));
    EXPECT_TRUE(record.HasDriverNamed(L"QUORVEX QX1000"));
    EXPECT_FALSE(record.HasDriverNamed(L"Quorvex QX100"));
    EXPECT_TRUE(record.HasPrinterNamed(L"quorvex qx1000"));

    // A device keeps the values saved first: those are what it had before
    // our first run, not what our run wrote.
    RecordedDevice first{L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\X\\1", {{L"Driver", false, L"{old}", 0}}};
    RecordedDevice later{L"system\\currentcontrolset\\enum\\usbprint\\x\\1", {{L"Driver", false, L"{ours}", 0}}};
    EXPECT_TRUE(record.AddDevice(first));
    EXPECT_FALSE(record.AddDevice(later));
    ASSERT_EQ(1u, record.devices.size());
    EXPECT_EQ(L"{old}", record.devices[0].before[0].text);
    EXPECT_FALSE(record.Empty());

    // Class records: an instance by its name, with the device id it was
    // made for; a class key value by its name, the unnamed one too.
    InstallRecord classes;
    EXPECT_TRUE(classes.AddClassInstance({L"0003", L"usbprint\\QuorvexQX10007A2B"}));
    EXPECT_FALSE(classes.AddClassInstance({L"0003", L"LPTENUM\\other"}));
    EXPECT_TRUE(classes.HasClassInstanceNamed(L"0003"));
    EXPECT_FALSE(classes.HasClassInstanceNamed(L"0004"));
    EXPECT_EQ(L"usbprint\\QuorvexQX10007A2B", classes.classInstances[0].matchingDeviceId);
    EXPECT_TRUE(classes.AddClassKeyValue({L"", false, L"Printers", 0}));
    EXPECT_TRUE(classes.AddClassKeyValue({L"Class", false, L"Printer", 0}));
    EXPECT_FALSE(classes.AddClassKeyValue({L"CLASS", false, L"Printer", 0}));
    EXPECT_EQ(2u, classes.classKeyValues.size());
    EXPECT_FALSE(classes.Empty());

    // Ports by their name; a model lists each port it uses once.
    InstallRecord ports;
    EXPECT_TRUE(ports.AddRecordedPort({L"IP_10.0.0.5", L"NET", L"10.0.0.5", 9100}));
    EXPECT_FALSE(ports.AddRecordedPort({L"ip_10.0.0.5", L"NET", L"10.0.0.6", 9101}));
    EXPECT_TRUE(ports.AddRecordedPort({L"COM5:", L"COM", L"", 0}));
    EXPECT_EQ(L"10.0.0.5", ports.ports[0].host);
    EXPECT_FALSE(ports.Empty());
    RecordedModel qx1000;
    qx1000.infBaseName = L"QX1000";
    qx1000.ports = {L"IP_10.0.0.5"};
    EXPECT_TRUE(ports.AddModel(qx1000));
    qx1000.ports = {L"IP_10.0.0.5", L"COM5:"};
    EXPECT_TRUE(ports.AddModel(qx1000));
    EXPECT_FALSE(ports.AddModel(qx1000));
    EXPECT_EQ(2u, ports.FindModel(L"qx1000")->ports.size());
}

TEST(InstallRecord, FilesNoDriverUsesAndFoldersDeepestFirst)
{
    const std::vector<std::wstring> candidates = {
        L"C:\\spool\\3\\QUNI1000.DLL", L"C:\\spool\\3\\UNIDRV.DLL", L"C:\\spool\\3\\QX1000.gpd",
        L"C:\\spool\\QX1000.INF", L"C:\\spool\\3\\Common6.gpd"};
    // Another maker's driver still uses the core file by full path and a
    // GPD by bare name (a dependent file of its own folder).
    const std::vector<std::wstring> inUse = {L"c:\\SPOOL\\3\\unidrv.dll", L"COMMON6.GPD", L"C:\\spool\\3\\OTHER.DLL"};
    const std::vector<std::wstring> unused = FilesNoneUses(candidates, inUse);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\spool\\3\\QUNI1000.DLL", L"C:\\spool\\3\\QX1000.gpd",
                                         L"C:\\spool\\QX1000.INF"}),
              unused);
    EXPECT_EQ(candidates, FilesNoneUses(candidates, {}));

    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a\\b\\c", L"C:\\a\\b", L"C:\\x\\y", L"C:\\a"}),
              DeepestFirst({L"C:\\a", L"C:\\a\\b", L"C:\\a\\b\\c", L"C:\\x\\y"}));
}

TEST(InstallRecord, UninstallEntryNamesTheCopyAndTheProgramsVersion)
{
    const std::wstring copy = L"C:\\Program Files\\Quorvex Printer Driver\\QuorvexSetup.exe";
    std::map<std::wstring, UninstallValue> values;
    for (const UninstallValue& v :
         UninstallEntryValues(copy, L"C:\\Program Files\\Quorvex Printer Driver", 2049, product::kVersion))
        EXPECT_TRUE(values.emplace(v.name, v).second) << "twice: " << std::string(v.name.begin(), v.name.end());
    EXPECT_EQ(12u, values.size());
    EXPECT_EQ(L"\"" + copy + L"\" /uninstall", values[L"UninstallString"].text);
    EXPECT_EQ(L"\"" + copy + L"\" /uninstall /quiet", values[L"QuietUninstallString"].text);
    EXPECT_EQ(copy + L",0", values[L"DisplayIcon"].text);
    EXPECT_EQ(L"555-0199", values[L"HelpTelephone"].text);
    EXPECT_EQ(L"https://www.quorvex.example/", values[L"URLInfoAbout"].text);
    EXPECT_EQ(L"C:\\Program Files\\Quorvex Printer Driver", values[L"InstallLocation"].text);
    EXPECT_TRUE(values[L"EstimatedSize"].isNumber);
    EXPECT_EQ(3u, values[L"EstimatedSize"].number) << "kilobytes, rounded up";
    EXPECT_EQ(0u, UninstallEntryValues(copy, L"", 0, product::kVersion)[11].number);
    // The version the installing program says it is.
    EXPECT_EQ(L"1.2.3.4", UninstallEntryValues(copy, L"", 0, L"1.2.3.4")[1].text);
    EXPECT_EQ(1u, values[L"NoModify"].number);
    EXPECT_EQ(1u, values[L"NoRepair"].number);

    // The build's version is one text, agreeing with the numbers the version
    // resource's binary fields take.
    const std::wstring numbers = std::to_wstring(QV_VERSION_MAJOR) + L"." + std::to_wstring(QV_VERSION_MINOR) + L"." +
                                 std::to_wstring(QV_VERSION_PATCH) + L"." + std::to_wstring(QV_VERSION_BUILD);
    EXPECT_EQ(numbers, values[L"DisplayVersion"].text);
    EXPECT_EQ(numbers, std::wstring(product::kVersion));
}
