// The log of an unattended installation: one line per step, each with the
// local time, appended in UTF-8 to the file the command line names.
#ifndef QV_APP_INSTALLLOG_H
#define QV_APP_INSTALLLOG_H

#include <string>

#include "support/Handle.h"

class CInstallLog {
public:
    // Opens (or creates) `path` for appending; false when it cannot be.
    bool Open(const std::wstring& path);
    bool IsOpen() const { return m_file.IsValid(); }
    // "2026-12-08 14:03:07.250  <text>"; nothing happens without a file.
    // Each line is written at once, so a run that is killed keeps its log.
    void Line(const std::wstring& text);

private:
    UniqueFile m_file;
};

#endif
