// The system's list of files to move or delete when Windows restarts (the
// value PendingFileRenameOperations, which MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT writes): pairs of a source and a target,
// "\??\C:\dir\file" and "" for a deletion. A removal that finds a file in
// use leaves it there by name; whatever carries that name at the restart
// is deleted, a reinstalled driver's file too, unless the installation
// takes the entry away. Pure: the registry side is PendingDeletions.h.
#ifndef QV_INSTALL_PENDINGDELETIONLIST_H
#define QV_INSTALL_PENDINGDELETIONLIST_H

#include <cstddef>
#include <string>
#include <vector>

// The strings of the value's data (`units`: its UTF-16 code units), each
// ended by a NUL. An empty target is an empty string, so the list is read by
// the data's length, not up to the first empty string.
std::vector<std::wstring> SplitPendingOperations(const std::wstring& units);
// The data for `entries`: each string and its NUL, then the list's own NUL.
std::wstring JoinPendingOperations(const std::vector<std::wstring>& entries);

// `entries` without the pairs that delete one of `paths` (full paths,
// compared as Windows compares names) at the restart; moves and other
// deletions stay as they are, and so does a last string without a partner.
// `removed` is the number of pairs taken away.
std::vector<std::wstring> WithoutDeletionsOf(const std::vector<std::wstring>& entries,
                                             const std::vector<std::wstring>& paths, std::size_t& removed);

#endif
