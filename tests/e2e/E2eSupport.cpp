#include "tests/e2e/E2eSupport.h"

#include <cstring>

#include "catalog/InfFields.h"

namespace e2e {

namespace {

Lang g_lang = Lang::English;

struct ExpectedString {
    UINT id;
    const wchar_t* english;
    const wchar_t* simplified;
    const wchar_t* traditional;
};

const ExpectedString kStrings[] = {
#include "tests/wizard/ExpectedStrings.inc"
};

std::wstring EnvPath(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(buffer) : std::wstring();
}

std::wstring Widen(const char* text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], n);
    return out;
}

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

bool CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return ok;
}

}  // namespace

void ParseLangArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang=cn") == 0)
            g_lang = Lang::Simplified;
        else if (std::strcmp(argv[i], "--lang=tw") == 0)
            g_lang = Lang::Traditional;
        else if (std::strcmp(argv[i], "--lang=en") == 0)
            g_lang = Lang::English;
    }
}

Lang CurrentLang()
{
    return g_lang;
}

const char* LangTag()
{
    return g_lang == Lang::English ? "en" : g_lang == Lang::Simplified ? "cn" : "tw";
}

std::wstring Text(UINT id)
{
    for (const ExpectedString& s : kStrings)
        if (s.id == id)
            return g_lang == Lang::English ? s.english : g_lang == Lang::Simplified ? s.simplified : s.traditional;
    return std::wstring();
}

std::wstring BuildPath(const std::wstring& relative)
{
    return EnvPath(L"QV_BUILD_DIR") + L"\\" + relative;
}

std::wstring SourcePath(const std::wstring& relative)
{
    std::wstring root = Widen(QV_SOURCE_DIR);
    for (wchar_t& c : root)
        if (c == L'/')
            c = L'\\';
    return L"Z:" + root + L"\\" + relative;
}

std::wstring MakePackageFolder(const std::wstring& name)
{
    std::wstring folder = L"C:\\qvpkg-" + name;
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW(BuildPath(L"app\\QuorvexSetup.exe").c_str(), (folder + L"\\QuorvexSetup.exe").c_str(), FALSE);
    return folder;
}

bool CopySampleFiles(const std::wstring& folder, const std::vector<std::wstring>& files)
{
    std::wstring samples = SourcePath(L"samples\\package");
    if (files.empty())
        return CopyTree(samples, folder);
    bool ok = true;
    for (const std::wstring& f : files) {
        size_t slash = f.find_last_of(L'\\');
        if (slash != std::wstring::npos)
            CreateDirectoryW((folder + L"\\" + f.substr(0, slash)).c_str(), nullptr);
        ok = CopyFileW((samples + L"\\" + f).c_str(), (folder + L"\\" + f).c_str(), FALSE) && ok;
    }
    return ok;
}

bool WriteModelInf(const std::wstring& folder, const std::wstring& fileName, const std::wstring& manufacturer,
                   const std::wstring& usb, const std::wstring& lpt)
{
    std::wstring key = UpperCaseAscii(fileName.substr(0, fileName.size() - 4));
    size_t digit = key.find_first_of(L"0123456789");
    std::wstring number = digit == std::wstring::npos ? std::wstring() : key.substr(digit);
    std::wstring usbSuffix = usb.empty() ? L"FFFF" : usb;
    std::wstring securityId;
    if (!MakeSecurityId(ExpectedSecurityName(number, usbSuffix), securityId))
        return false;
    std::wstring text = L"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
                        L"ClassGuid={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nSecurityID=" + securityId +
                        L"\r\n\r\n[Manufacturer]\r\n\"" + manufacturer + L"\"=Models\r\n\r\n[Models]\r\n";
    if (!usb.empty())
        text += L"\"" + manufacturer + L" " + key + L"\" = Install, USBPRINT\\" + manufacturer + key + usb + L"\r\n";
    if (!lpt.empty())
        text += L"\"" + manufacturer + L" " + key + L"\" = Install, LPTENUM\\" + manufacturer + key + lpt + L"\r\n";
    std::string bytes;
    for (wchar_t c : text)
        bytes += static_cast<char>(c);
    HANDLE file = CreateFileW((folder + L"\\" + fileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void Shot(const std::string& name)
{
    Sleep(150);  // let the last repaint reach the screen
    std::string file = std::string(LangTag()) + "-" + name + ".bmp";
    Screenshot(OutputPath(std::wstring(file.begin(), file.end())));
}

}  // namespace e2e
