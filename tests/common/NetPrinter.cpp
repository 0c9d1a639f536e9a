#include "tests/common/NetPrinter.h"

#include <cstdlib>

#include "tests/common/WineMachine.h"

namespace wm {

namespace {

// A folder of its own for each printer, so that printers started side by
// side (or one left behind by a killed run) never share files.
std::wstring NewScratchFolder()
{
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = std::wstring(temp) + L"qvnetprinter-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
    }
    return std::wstring();
}

unsigned short PortFrom(const std::string& text, const char* key)
{
    const std::size_t at = text.find(key);
    return at == std::string::npos ? 0
                                   : static_cast<unsigned short>(std::strtoul(text.c_str() + at + std::char_traits<char>::length(key), nullptr, 10));
}

}  // namespace

NetPrinter::NetPrinter(const std::wstring& options)
{
    m_folder = NewScratchFolder();
    if (m_folder.empty())
        return;
    std::wstring line = L"\"" + Env(L"QV_BUILD_DIR") + L"\\sim\\qvnetprinter.exe\" --ready \"" + m_folder +
                        L"\\ready.txt\" --capture \"" + m_folder + L"\\received.bin\" --log \"" + m_folder +
                        L"\\log.txt\" --stop \"" + m_folder + L"\\stop\" " + options;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    const std::wstring ready = m_folder + L"\\ready.txt";
    for (int waited = 0; waited < 10000; waited += 20) {
        // The file appears whole (it is renamed into place), but a read in
        // the same moment has come back without the ports under load: it is
        // read again until they are there.
        if (FileExists(ready)) {
            const std::string text = ReadText(ready);
            m_udpPort = PortFrom(text, "udp=");
            m_tcpPort = PortFrom(text, "tcp=");
            if (m_tcpPort != 0)
                return;
        }
        if (WaitForSingleObject(m_process, 20) == WAIT_OBJECT_0)
            return;  // ended without ports: a usage error or no sockets
    }
}

NetPrinter::~NetPrinter()
{
    Stop();
    if (!m_folder.empty())
        RemoveTree(m_folder);
}

std::string NetPrinter::Received() const
{
    return ReadText(m_folder + L"\\received.bin");
}

std::vector<std::string> NetPrinter::Log() const
{
    return ReadLines(m_folder + L"\\log.txt");
}

std::vector<std::string> NetPrinter::LogLines(const std::string& prefix) const
{
    std::vector<std::string> lines;
    for (const std::string& line : Log()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

bool NetPrinter::WaitForLog(const std::string& prefix, DWORD timeoutMs) const
{
    return WaitForLogLines(prefix, 1, timeoutMs);
}

bool NetPrinter::WaitForLogLines(const std::string& prefix, std::size_t count, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (LogLines(prefix).size() >= count)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

bool NetPrinter::Stop()
{
    if (!m_process)
        return false;
    WriteFileBytes(m_folder + L"\\stop", "");
    DWORD code = 1;
    const bool ended = WaitForSingleObject(m_process, 10000) == WAIT_OBJECT_0;
    if (ended)
        GetExitCodeProcess(m_process, &code);
    else
        TerminateProcess(m_process, 99);
    CloseHandle(m_process);
    m_process = nullptr;
    return ended && code == 0;
}

}  // namespace wm
