// The helper's log: entries appended to a text file beside the program.
#ifndef QV_HELPER_HELPERLOG_H
#define QV_HELPER_HELPERLOG_H

#include <windows.h>

#include <string>

class CHelperLog {
public:
    // `path` empty: there is nowhere to write, and entries are dropped.
    explicit CHelperLog(const std::string& path);
    ~CHelperLog();

    CHelperLog(const CHelperLog&) = delete;
    CHelperLog& operator=(const CHelperLog&) = delete;

    // Appends one entry stamped with the local time. The file is opened and
    // closed for each entry, so that a crash loses nothing written before;
    // an entry that cannot be written is dropped.
    void Write(const std::string& message);

    const std::string& Path() const { return m_path; }

private:
    // The control handler and the service main run on different threads.
    CRITICAL_SECTION m_lock;
    std::string m_path;
};

#endif
