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
