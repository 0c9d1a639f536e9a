// Helpers of the Wine tests of the installation operations: the shared
// machine helpers under their short names, and the platform as the
// installer detects it.
#ifndef QV_TESTS_INSTALL_WINETESTSUPPORT_H
#define QV_TESTS_INSTALL_WINETESTSUPPORT_H

#include <windows.h>

#include "tests/common/WineMachine.h"

namespace wt {

using wm::Env;
using wm::QvDevice;

using wm::ReadFileBytes;
using wm::ReadLines;
using wm::WriteFileBytes;
using wm::Utf8;
using wm::FileExists;
using wm::DirectoryExists;
using wm::RemoveTree;
using wm::LastWriteTime;
using wm::SetLastWriteTime;

using wm::KeyExists;
using wm::DeleteKeyTree;
using wm::SetString;
using wm::SetDword;
using wm::DeleteValue;
using wm::GetString;
using wm::GetDword;
using wm::SubKeys;
using wm::ValueNames;

} // namespace wt

#endif
