// Where the log of an unattended installation may be, and which file it may
// be. The installer runs as an administrator or as the local system, often
// from a deployment tool that names a log in a folder where every user can
// create files (the system's temporary folder). Whatever sits at that name
// before the run must not make the run write anywhere but a plain file of
// its own: not through a hard link into a protected file, not through a
// junction or symbolic link, not into a device, and not into a file that an
// ordinary user created and can still rewrite or hold open.
//
// Pure decisions on text and on what the system says about a file; the
// Win32 calls that gather those facts are in app/InstallLog.cpp.
#ifndef QV_APP_LOGFILERULES_H
#define QV_APP_LOGFILERULES_H

#include <string>

// The full path of the log that `given` names on the command line, read
// against `startFolder` (the folder the program was started in: "C:\\dir"
// or "\\\\server\\share\\dir"; empty when unknown), with "." and ".."
// taken away. Empty, with the reason in `problem`, when the log cannot be
// there: a device or stream rather than a file, a network share, a folder,
// or a relative path with nothing to read it against. Empty `given` is no
// log at all: empty result, no problem.
std::wstring ResolveLogPath(const std::wstring& startFolder, const std::wstring& given, std::wstring& problem);

// Why the full path `path` names something other than a file on a disk: a
// device namespace ("\\\\.\\", "\\\\?\\", "\\??\\"), a reserved device name
// as any of its parts ("NUL", "com1.log", "LPT1 .txt"), or a stream (a colon
// after the drive). Empty when it names a file. Checked again on the path
// Windows itself makes of it, which turns "C:\\x\\nul.txt" into "\\\\.\\nul".
std::wstring DevicePathProblem(const std::wstring& path);

// The reason given for a log on a drive that is a network share.
extern const wchar_t kNetworkLogProblem[];

// Who owns an existing log file, as far as the rules care.
enum class LogFileOwner {
    Administrators,  // the administrators group: how this program creates it
    LocalSystem,
    RunningAccount,  // the account this run runs as
    Someone,         // anybody else
    Unknown          // the owner could not be read
};

// What the system says about the file that was opened at the log's name.
struct LogFileFacts {
    bool reparsePoint = false;   // a symbolic link, junction or other reparse point
    bool directory = false;
    unsigned long links = 1;     // the names the file has (hard links)
    bool diskFile = true;        // a file on a disk (not a pipe, console or device)
    bool ownersKept = true;      // the volume keeps owners (FAT does not)
    LogFileOwner owner = LogFileOwner::Unknown;
    // The run's token is elevated (Windows Vista and later; on Windows 2000
    // and XP the question does not exist and the answer is no).
    bool elevatedRun = false;
};

// Why the file described by `facts` must not be the log; empty when it may.
//
// The owner rule. A file that someone else can write, or hold open, is not
// a log to trust. A file is only ever owned by the account that created it,
// by a group that account may make owner (the administrators group, for an
// administrator or the system), or by whomever an administrator gave it to.
// So a file owned by the administrators group, the local system or this
// run's own account was made by an administrator, the system or this very
// account, and is accepted; anybody else's is refused. An elevated run
// (Vista and later) refuses its own account's file too: the same account's
// programs that run without the elevation could have created it first and
// may still write it. On Windows 2000 and XP all of an administrator's
// programs have the same rights, so there the account's own file is
// accepted. This program creates its log owned by the administrators group
// (an administrator's files are otherwise owned by the administrator's own
// account on Windows 2000 and XP and when policy says so later), so that
// every administrator's and the system's later runs accept it. A volume that keeps no owners (FAT) has no
// rights at all: any user may write any file on it, Windows' own among them,
// and there are no hard links or reparse points; there the owner is not
// asked.
std::wstring LogFileProblem(const LogFileFacts& facts);

// "the log file "PATH" cannot be used: PROBLEM", for the log's refusals.
std::wstring RefusedLogText(const std::wstring& path, const std::wstring& problem);

#endif
