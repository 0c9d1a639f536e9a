// Takes away the system's deletions at the next restart of paths that an
// installation writes (see PendingDeletionList.h).
#ifndef QV_INSTALL_PENDINGDELETIONS_H
#define QV_INSTALL_PENDINGDELETIONS_H

#include <string>
#include <vector>

// False when the list is there but could not be read or written again.
bool CancelPendingDeletions(const std::vector<std::wstring>& paths);

#endif
