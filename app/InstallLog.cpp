#include "app/InstallLog.h"

#include <windows.h>

#include <cstdio>
#include <string>

bool CInstallLog::Open(const std::wstring& path)
{
    // Appending only: every write lands at the end, so later runs add to
    // the log without overwriting the lines of earlier ones.
    m_file.Reset(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.IsValid();
}

void CInstallLog::Line(const std::wstring& text)
{
    if (!m_file.IsValid())
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t stamp[32] = {0};
    std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    std::wstring line = stamp + text;
    // One line stays one line, whatever a file name or a system text holds.
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    line += L"\r\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0)
        return;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
