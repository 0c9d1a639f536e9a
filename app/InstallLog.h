// The log of an unattended installation: one line per step, each with the
// local time, appended in UTF-8 to the file the command line names.
//
// The run is elevated and the log's folder may be one where every user can
// create files, so the log is opened only as a plain file of its own (see
// app/LogFileRules.h): never through a link or junction, never a file with
// other names, a device or someone else's file. A new log gets rights that
// let only the administrators and the system write it, and while the run
// writes, nobody else can open it for writing. A new log that is refused
// after it was made is deleted again.
#ifndef QV_APP_INSTALLLOG_H
#define QV_APP_INSTALLLOG_H

#include <windows.h>

#include <functional>
#include <string>

#include "app/LogFileRules.h"
#include "support/Handle.h"
#include "support/Security.h"

class CInstallLog {
public:
    // Opens (or creates) `path`, a full path from ResolveLogPath, for
    // appending. False, with the reason in `problem`, when the log cannot be
    // opened or must not be used; nothing is written then.
    bool Open(const std::wstring& path, std::wstring& problem);
    bool IsOpen() const { return m_file.IsValid(); }
    // The last Open failed because another program has the file open for
    // writing (perhaps another run of the installer with the same log).
    bool HeldByAnotherProgram() const { return m_heldByAnother; }
    // "2026-12-08 14:03:07.250  <text>"; nothing happens without a file.
    // Each line is written at once, so a run that is killed keeps its log.
    void Line(const std::wstring& text);

private:
    UniqueFile m_file;
    bool m_heldByAnother = false;
};

// What decides whether the file opened at the log's name may be the log: in
// a run, LogFileProblem on the facts the system reports; tests give their
// own.
using LogFileJudge = std::function<std::wstring(const LogFileFacts&)>;

// CInstallLog::Open with `judge` in place of the rules: opens or creates the
// log `path` into `log`, or says why not in `problem` (and in `heldByAnother`
// that another program has it open for writing). A file that this call
// created and then refuses is deleted again through the handle it was
// created with; a file that was there before is never deleted.
bool OpenLogFile(const std::wstring& path, const LogFileJudge& judge, UniqueFile& log, bool& heldByAnother,
                 std::wstring& problem);

// Who `owner` is, as the log's rules see it, and who owns the object behind
// `handle` (opened with READ_CONTROL).
LogFileOwner OwnerKind(PSID owner);
LogFileOwner OwnerOf(HANDLE handle);

// Writes `text` as one line to the program's standard error: the handle it
// was given, or else the console of the program that started it. Where the
// reason of a refused command line goes when the log cannot take it.
void WriteStandardError(const std::wstring& text);

// The security of a new log: owned by the administrators group; the
// administrators and the local system have full control, the users may
// read it, nobody else has any access, and nothing is inherited from the
// folder.
class LogFileSecurity : public AdminOnlySecurity {
public:
    LogFileSecurity() : AdminOnlySecurity(FILE_GENERIC_READ) {}
};

#endif
