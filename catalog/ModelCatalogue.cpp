#include "catalog/ModelCatalogue.h"

#include "catalog/InfText.h"
#include "catalog/PackageVouching.h"
#include "support/DiskObject.h"
#include "support/Handle.h"

#include <windows.h>

#include <cwchar>
#include <map>
#include <vector>

namespace {

// No INF file comes near this; anything larger is not one of ours and is not
// worth the memory.
const LONGLONG kMaxInfBytes = 64LL * 1024 * 1024;

// Files without a byte order mark are written in the code page of the
// language the user types in, which is what a local editor would have used.
UINT KeyboardCodePage()
{
    LANGID language = LOWORD(reinterpret_cast<ULONG_PTR>(GetKeyboardLayout(0)));
    wchar_t buffer[10] = {0};
    if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), 0x1004 /* LOCALE_IDEFAULTANSICODEPAGE */,
                       buffer, 10) == 0)
        return CP_ACP;
    return static_cast<UINT>(std::wcstoul(buffer, nullptr, 10));
}

std::wstring ConvertAnsi(const unsigned char* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    int length = static_cast<int>(size);  // bounded by kMaxInfBytes
    UINT codePages[2] = {KeyboardCodePage(), CP_ACP};
    for (UINT codePage : codePages) {
        int units = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
        if (units <= 0)
            continue;  // e.g. a code page this system does not have
        std::wstring text(static_cast<std::size_t>(units), L'\0');
        if (MultiByteToWideChar(codePage, 0, bytes, length, &text[0], units) == units)
            return text;
    }
    return std::wstring();
}

}  // namespace

std::wstring GetProgramFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size() || buffer.size() >= 32768) {
            std::wstring path(buffer.data(), length);
            std::size_t slash = path.rfind(L'\\');
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);  // truncated: a long path
    }
}

bool ReadInfText(const std::wstring& path, std::wstring& text)
{
    text.clear();
    // Every kind of sharing: a file open in an editor or being scanned is
    // read like any other (what is read is checked like any other text).
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    // GetFileSize rather than GetFileSizeEx, which Windows NT 4.0 lacks.
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE || high != 0 || low > kMaxInfBytes)
        return false;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(low));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr))
            return false;
        if (got == 0)
            break;  // shrank while we read: take what is there
        done += got;
    }
    bytes.resize(done);
    // A UTF-8 file with an ill-formed sequence is refused like an unreadable
    // one: the system's own INF reader could see other names in it.
    return DecodeInfText(bytes.data(), bytes.size(), ConvertAnsi, text);
}

ModelCatalogue BuildModelCatalogue(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    CDiskObject disk;
    disk.EnumerateFiles(L"*.inf", folder, names, 0);

    // The catalogue works with upper-cased names, but each file is opened by
    // the name the listing gave: the same file on Windows, and far cheaper
    // where the file system has to search for a name in another case.
    std::map<std::wstring, std::wstring> listed;
    for (const std::wstring& name : names)
        listed.emplace(UpperCaseAscii(name), name);

    // A release installer carries the package's digest list: then only
    // models whose every file matches it are offered, and each INF file's
    // text is taken from the very bytes that were checked.
    PackageDigestList digests;
    if (!LoadPackageDigests(nullptr, digests)) {
        return CollectModels(names, [&folder, &listed](const std::wstring& upperName, std::wstring& text) {
            std::map<std::wstring, std::wstring>::const_iterator found = listed.find(upperName);
            const std::wstring& name = found != listed.end() ? found->second : upperName;
            return ReadInfText(folder + L"\\" + name, text);
        });
    }
    return CollectModels(
        names,
        [&folder, &listed, &digests](const std::wstring& upperName, std::wstring& text) {
            std::map<std::wstring, std::wstring>::const_iterator found = listed.find(upperName);
            const std::wstring& name = found != listed.end() ? found->second : upperName;
            std::vector<char> bytes;
            if (!ReadVouchedFile(digests, folder, name, bytes))
                return false;
            return DecodeInfText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), ConvertAnsi,
                                 text);
        },
        [&folder, &digests](const PrinterModel& model) { return ModelFilesVouched(digests, folder, model); });
}
