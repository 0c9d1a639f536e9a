#include "context/HelperProtocol.h"

std::wstring WidenAscii(const char* text)
{
    std::wstring wide;
    for (; *text != '\0'; ++text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

std::wstring HelperFolderOf(const std::wstring& commonFilesFolder)
{
    std::wstring folder = commonFilesFolder;
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder + WidenAscii(helper_protocol::kFolderName);
}

std::wstring HelperProgramPathOf(const std::wstring& commonFilesFolder)
{
    return HelperFolderOf(commonFilesFolder) + L"\\" + WidenAscii(helper_protocol::kExeName);
}

std::wstring HelperLogPathOf(const std::wstring& programPath)
{
    const std::size_t dot = programPath.size() >= 4 ? programPath.size() - 4 : std::wstring::npos;
    if (dot == std::wstring::npos || programPath[dot] != L'.')
        return std::wstring();
    return programPath.substr(0, dot) + L".log";
}
