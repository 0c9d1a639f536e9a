// How the programs' logs name a system error: " (system error 5)", appended
// to the sentence that says what failed.
#ifndef QV_SUPPORT_ERRORTEXT_H
#define QV_SUPPORT_ERRORTEXT_H

#include <string>

inline std::wstring SystemErrorText(unsigned long code)
{
    return L" (system error " + std::to_wstring(code) + L")";
}

#endif
