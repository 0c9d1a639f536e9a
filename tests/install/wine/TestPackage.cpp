#include "tests/install/wine/TestPackage.h"

#include "app/PlatformDetection.h"
#include "tests/install/wine/WineTestSupport.h"

namespace pkg {

const wchar_t* const kFolder = L"C:\\qv test pkg";

InstallContext DetectedContext()
{
    InstallContext c;
    InitialisePlatformContext(c);
    PrinterModel& m = c.model;
    m.manufacturer = L"QRVX";
    m.namePrefix = L"AB";
    m.nameNumber = L"1234";
    m.infBaseName = L"AB1234";
    m.deviceDescription = m.driverName = m.displayName = L"QRVX AB1234";
    m.lptIdSuffix = L"A1B2";
    m.usbIdSuffix = L"C3D4";
    m.connectionType = L"USB";
    return c;
}

namespace {
const char* const kInf =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Printer\r\n"
    "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
    "Provider=%QRVX%\r\n"
    "CatalogFile=AB1234.cat\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%QRVX%=QRVX,NTx86,NTamd64\r\n"
    "\r\n"
    "[QRVX.NTx86]\r\n"
    "\"QRVX AB1234\" = AB1234_USB, USBPRINT\\QRVXAB1234C3D4, LPTENUM\\QRVXAB1234A1B2\r\n"
    "\r\n"
    "[AB1234_USB]\r\n"
    "CopyFiles=AB1234_FILES\r\n"
    "DataFile=AB1234U.gpd\r\n"
    "Include=NTPRINT.INF\r\n"
    "Needs=UNIDRV.OEM\r\n"
    "\r\n"
    "[AB1234_FILES]\r\n"
    "AB1234U.gpd\r\n"
    "CommonU6.gpd\r\n"
    "STDNAMES.GPD\r\n"
    "AB1234.INI\r\n"
    "QUNI1234.DLL\r\n"
    "QUI1234.DLL\r\n"
    "QRES1234.DLL\r\n"
    "\r\n"
    "[Strings]\r\n"
    "QRVX=\"QRVX\"\r\n"
    "; SecurityID=00000000000000000000000000000000\r\n";
}

bool Write()
{
    const std::wstring root = kFolder;
    for (const wchar_t* sub : {L"", L"\\gpd", L"\\i386", L"\\amd64"})
        CreateDirectoryW((root + sub).c_str(), nullptr);
    bool ok = true;
    for (const wchar_t* arch : {L"i386", L"amd64"}) {
        const std::string tag = arch[0] == L'i' ? "x86" : "x64";
        for (const wchar_t* dll : {L"QUNI1234.DLL", L"QUI1234.DLL", L"QRES1234.DLL"})
            ok = wt::WriteFileBytes(root + L"\\" + arch + L"\\" + dll, "MZ " + tag + " plug-in " + wt::Utf8(dll)) && ok;
    }
    ok = wt::WriteFileBytes(root + L"\\AB1234.INI", "[OEMFiles]\r\nOEMDriverFile1=QUNI1234.DLL\r\n") && ok;
    for (const wchar_t* gpd : {L"AB1234.gpd", L"AB1234U.gpd", L"Common6.gpd", L"CommonU6.gpd", L"STDNAMES.GPD"})
        ok = wt::WriteFileBytes(root + L"\\gpd\\" + gpd, "*% GPD " + wt::Utf8(gpd) + "\r\n*GPDFileVersion: \"1.0\"\r\n") && ok;
    ok = wt::WriteFileBytes(root + L"\\AB1234.inf", kInf) && ok;
    ok = wt::WriteFileBytes(root + L"\\AB1234.cat", "catalogue") && ok;
    return ok;
}

void Remove()
{
    wt::RemoveTree(kFolder);
}

std::string ResourceBytes(const wchar_t* type, unsigned id)
{
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    if (!info)
        return std::string();
    HGLOBAL loaded = LoadResource(nullptr, info);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(nullptr, info)) : std::string();
}

void RemoveStagedFiles(const std::wstring& dir)
{
    for (const wchar_t* name : {L"QUNI1234.DLL", L"QUI1234.DLL", L"QRES1234.DLL", L"AB1234.INI",
                                L"AB1234.gpd", L"AB1234U.gpd", L"Common6.gpd", L"CommonU6.gpd",
                                L"STDNAMES.GPD", L"unidrv.hlp", L"unidrv.dll", L"unidrvui.dll",
                                L"unires.dll", L"AB1234.inf", L"AB1234.cat"})
        DeleteFileW((dir + L"\\" + name).c_str());
    for (const wchar_t* sub : {L"\\gpd", L"\\i386", L"\\amd64"})
        wt::RemoveTree(dir + sub);
}

} // namespace pkg
