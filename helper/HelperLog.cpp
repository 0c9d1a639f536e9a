// The helper's log file.
#include "helper/HelperLog.h"

#include <cstdio>

#include "helper/HelperCore.h"

CHelperLog::CHelperLog(const std::string& path) : m_path(path)
{
    InitializeCriticalSection(&m_lock);
}

CHelperLog::~CHelperLog()
{
    DeleteCriticalSection(&m_lock);
}

void CHelperLog::Write(const std::string& message)
{
    if (m_path.empty())
        return;
    EnterCriticalSection(&m_lock);
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    LogTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    const std::string entry = FormatLogEntry(time, message);
    // Text mode: the entries' line ends become CR LF in the file.
    FILE* file = std::fopen(m_path.c_str(), "a");
    if (file != nullptr) {
        std::fputs(entry.c_str(), file);
        std::fclose(file);
    }
    LeaveCriticalSection(&m_lock);
}
