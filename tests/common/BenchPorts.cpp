#include <winsock2.h>

#include "tests/common/BenchPorts.h"

#include <winspool.h>

#include <algorithm>

#include "tests/common/WineMachine.h"

namespace wm {

namespace {

// Placeholder driver files, in a scratch folder of their own.
const wchar_t* const kDriverFolder = L"C:\\qv bench driver";
const wchar_t* const kDriverFiles[] = {L"QVRAW.DLL", L"QVRAW.GPD", L"QVRAWUI.DLL"};

std::wstring Environment()
{
    return sizeof(void*) == 8 ? L"Windows x64" : L"Windows NT x86";
}

}  // namespace

LoopbackListener::LoopbackListener() : m_socket(INVALID_SOCKET)
{
    InitializeCriticalSection(&m_lock);
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener);
        return;
    }
    m_socket = listener;
    m_port = ntohs(address.sin_port);
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, &LoopbackListener::Run, this, 0, nullptr);
}

LoopbackListener::~LoopbackListener()
{
    if (m_thread) {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
    if (m_stop)
        CloseHandle(m_stop);
    if (m_socket != INVALID_SOCKET) {
        closesocket(static_cast<SOCKET>(m_socket));
        WSACleanup();
    }
    DeleteCriticalSection(&m_lock);
}

DWORD WINAPI LoopbackListener::Run(void* self)
{
    LoopbackListener& me = *static_cast<LoopbackListener*>(self);
    const SOCKET listener = static_cast<SOCKET>(me.m_socket);
    // Polled with short waits, so that the destructor's stop is seen.
    while (WaitForSingleObject(me.m_stop, 0) != WAIT_OBJECT_0) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait = {0, 100000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        const SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            continue;
        EnterCriticalSection(&me.m_lock);
        ++me.m_connections;
        LeaveCriticalSection(&me.m_lock);
        char buffer[8192];
        for (;;) {
            FD_ZERO(&ready);
            FD_SET(connection, &ready);
            if (select(0, &ready, nullptr, nullptr, &wait) == 0) {
                if (WaitForSingleObject(me.m_stop, 0) == WAIT_OBJECT_0)
                    break;
                continue;
            }
            const int got = recv(connection, buffer, sizeof(buffer), 0);
            if (got <= 0)
                break;
            EnterCriticalSection(&me.m_lock);
            me.m_bytes.append(buffer, static_cast<std::size_t>(got));
            LeaveCriticalSection(&me.m_lock);
        }
        closesocket(connection);
        EnterCriticalSection(&me.m_lock);
        ++me.m_closed;
        LeaveCriticalSection(&me.m_lock);
    }
    return 0;
}

std::string LoopbackListener::Received(std::size_t expected, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        EnterCriticalSection(&m_lock);
        const bool complete = m_bytes.size() >= expected && m_closed == m_connections && m_closed > 0;
        const std::string bytes = m_bytes;
        LeaveCriticalSection(&m_lock);
        if (complete || GetTickCount() - start >= timeoutMs)
            return bytes;
        Sleep(20);
    }
}

int LoopbackListener::Connections()
{
    EnterCriticalSection(&m_lock);
    const int connections = m_connections;
    LeaveCriticalSection(&m_lock);
    return connections;
}

std::wstring BenchSerialPort()
{
    return Env(L"QV_SERIAL_PORT");
}

std::string BenchSerialBytes(std::size_t expected, DWORD timeoutMs)
{
    const std::wstring capture = Env(L"QV_SERIAL_CAPTURE");
    const DWORD start = GetTickCount();
    std::string bytes;
    for (;;) {
        ReadFileBytes(capture, bytes);
        if (bytes.size() >= expected || GetTickCount() - start >= timeoutMs)
            return bytes;
        Sleep(20);
    }
}

bool RegisterRawDriver(const std::wstring& name)
{
    CreateDirectoryW(kDriverFolder, nullptr);
    std::wstring paths[3];
    for (int i = 0; i < 3; ++i) {
        paths[i] = std::wstring(kDriverFolder) + L"\\" + kDriverFiles[i];
        if (!WriteFileBytes(paths[i], "placeholder for a printer driver file\n"))
            return false;
    }
    std::wstring driver = name, environment = Environment();
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = &driver[0];
    info.pEnvironment = &environment[0];
    info.pDriverPath = &paths[0][0];
    info.pDataFile = &paths[1][0];
    info.pConfigFile = &paths[2][0];
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES) != FALSE;
}

void RemoveRawDriver(const std::wstring& name)
{
    std::wstring driver = name, environment = Environment();
    DeletePrinterDriverExW(nullptr, &environment[0], &driver[0], DPD_DELETE_ALL_FILES, 0);
    RemoveTree(kDriverFolder);
}

bool PrintRawJob(const std::wstring& printerName, const std::string& bytes, DWORD& error)
{
    Printer printer(printerName);
    if (!printer.Get()) {
        error = GetLastError();
        return false;
    }
    wchar_t document[] = L"Quorvex bench job";
    wchar_t datatype[] = L"RAW";
    DOC_INFO_1W info = {document, nullptr, datatype};
    if (StartDocPrinterW(printer.Get(), 1, reinterpret_cast<LPBYTE>(&info)) == 0) {
        error = GetLastError();
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    // In pieces, as a program's output reaches the spooler.
    while (ok && done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 16384));
        DWORD written = 0;
        ok = WritePrinter(printer.Get(), const_cast<char*>(bytes.data() + done), piece, &written) && written == piece;
        done += written;
    }
    if (!ok)
        error = GetLastError();
    if (!EndDocPrinter(printer.Get()) && ok) {
        error = GetLastError();
        ok = false;
    }
    return ok;
}

}  // namespace wm
