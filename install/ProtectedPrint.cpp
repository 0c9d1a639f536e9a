#include "install/ProtectedPrint.h"

#include <windows.h>

#include "support/Handle.h"
#include "support/SystemLibrary.h"

namespace {

const wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
const wchar_t kPolicyValue[] = L"WindowsProtectedPrintGroupPolicyState";
const wchar_t kStatusClass[] = L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";
// IWindowsProtectedPrintInfoStatics; its one method, the property's getter,
// follows IInspectable's six.
const GUID kStatusInterface = {0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};
const int kGetterSlot = 6;

bool PolicySaysOn(const InstallContext& context)
{
    // A policy of the machine, which a 32-bit program on 64-bit Windows
    // reads in the 64-bit view, where the policy tools write it.
    const REGSAM view = context.isWow64 ? KEY_WOW64_64KEY : 0;
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    DWORD type = 0, value = 0, size = sizeof(value);
    return RegQueryValueExW(key.Get(), kPolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof(value) && value == 1;
}

// The system's own status: true with `on` where the system could say.
bool SystemStatus(bool& on)
{
    on = false;
    const HMODULE combase = LoadSystemLibrary(L"combase.dll");
    using RoInitializeFunction = HRESULT(WINAPI*)(int);
    using RoUninitializeFunction = void(WINAPI*)();
    using CreateStringFunction = HRESULT(WINAPI*)(LPCWSTR, UINT32, void**);
    using DeleteStringFunction = HRESULT(WINAPI*)(void*);
    using GetFactoryFunction = HRESULT(WINAPI*)(void*, REFIID, void**);
    const auto roInitialize = LookUpFunction<RoInitializeFunction>(combase, "RoInitialize");
    const auto roUninitialize = LookUpFunction<RoUninitializeFunction>(combase, "RoUninitialize");
    const auto createString = LookUpFunction<CreateStringFunction>(combase, "WindowsCreateString");
    const auto deleteString = LookUpFunction<DeleteStringFunction>(combase, "WindowsDeleteString");
    const auto getFactory = LookUpFunction<GetFactoryFunction>(combase, "RoGetActivationFactory");
    if (!roInitialize || !roUninitialize || !createString || !deleteString || !getFactory)
        return false;  // before Windows 8: no such status at all
    const HRESULT initialized = roInitialize(1);  // RO_INIT_MULTITHREADED
    bool known = false;
    void* name = nullptr;
    if (SUCCEEDED(createString(kStatusClass, static_cast<UINT32>(wcslen(kStatusClass)), &name))) {
        void* factory = nullptr;
        // A system before build 26100 does not know the class: no status.
        if (SUCCEEDED(getFactory(name, kStatusInterface, &factory)) && factory) {
            using Getter = HRESULT(STDMETHODCALLTYPE*)(void*, BYTE*);
            using Release = ULONG(STDMETHODCALLTYPE*)(void*);
            void** table = *static_cast<void***>(factory);
            BYTE value = 0;
            if (SUCCEEDED(reinterpret_cast<Getter>(table[kGetterSlot])(factory, &value))) {
                on = value != 0;
                known = true;
            }
            reinterpret_cast<Release>(table[2])(factory);
        }
        deleteString(name);
    }
    if (SUCCEEDED(initialized))
        roUninitialize();
    return known;
}

}  // namespace

bool ProtectedPrintModeOn(const InstallContext& context, std::wstring& why)
{
    why.clear();
    if (PolicySaysOn(context)) {
        why = L"the policy WindowsProtectedPrintGroupPolicyState (HKLM\\" + std::wstring(kPolicyKey) + L") is 1";
        return true;
    }
    bool on = false;
    if (SystemStatus(on) && on) {
        why = L"Windows reports the mode on (WindowsProtectedPrintInfo.IsProtectedPrintEnabled)";
        return true;
    }
    return false;
}
