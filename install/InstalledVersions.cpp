#include "install/InstalledVersions.h"

#include <windows.h>

#include "context/InstallRecord.h"
#include "context/ProductInfo.h"
#include "install/InstallRecordStore.h"
#include "support/Registry.h"
#include "support/ResString.h"

ProductVersion RunningProductVersion()
{
    ProductVersion version;
    const void* data = nullptr;
    DWORD size = 0;
    if (ResourceBytes(nullptr, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1), data, size) &&
        ReadProductVersion(static_cast<const unsigned char*>(data), size, version))
        return version;
    ParseVersionText(product::kVersion, version);
    return version;
}

bool NewestInstalledVersion(ProductVersion& newest)
{
    bool found = false;
    const auto consider = [&](const std::wstring& text) {
        ProductVersion version;
        if (!ParseVersionText(text, version))
            return;
        if (!found || CompareVersions(version, newest) > 0)
            newest = version;
        found = true;
    };
    CRegistry entry(HKEY_LOCAL_MACHINE, KEY_READ);
    std::wstring text;
    if (entry.OpenKey(product::kUninstallKey, FALSE) && entry.ReadString(L"DisplayVersion", text))
        consider(text);
    InstallRecord record;
    ReadInstallRecord(record);
    for (const RecordedModel& model : record.models)
        consider(model.version);
    return found;
}
