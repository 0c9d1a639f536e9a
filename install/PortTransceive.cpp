#include "install/PortTransceive.h"

#include <winspool.h>

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

bool OpenTransceiver(const std::wstring& object, ACCESS_MASK access, UniquePrinter& handle, DWORD& error)
{
    std::wstring name = object;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    if (!OpenPrinterW(&name[0], handle.Put(), access != 0 ? &defaults : nullptr)) {
        error = LastErrorOr(ERROR_INVALID_PRINTER_NAME);
        return false;
    }
    return true;
}

bool Transceive(const UniquePrinter& handle, const wchar_t* command, void* input, DWORD inputSize, void* output,
                DWORD outputSize, DWORD& error)
{
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    if (!XcvDataW(handle.Get(), command, static_cast<PBYTE>(input), inputSize, static_cast<PBYTE>(output), outputSize,
                  &needed, &status)) {
        error = LastErrorOr(ERROR_INVALID_FUNCTION);
        return false;
    }
    error = status;
    return status == ERROR_SUCCESS;
}
