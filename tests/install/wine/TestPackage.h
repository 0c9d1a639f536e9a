// A driver package of the fictional model QRVX AB1234 in a scratch folder
// (with a blank in its name), and the context the installer would detect.
#ifndef QV_TESTS_INSTALL_TESTPACKAGE_H
#define QV_TESTS_INSTALL_TESTPACKAGE_H

#include <windows.h>

#include <string>
#include <vector>

#include "context/InstallContext.h"

namespace pkg {

extern const wchar_t* const kFolder; // C:\qv test pkg

// The platform as start-up detects it, and the model AB1234.
InstallContext DetectedContext();

// Writes the package; plug-ins differ between i386 and amd64.
bool Write();
void Remove();

// The bytes of one of the test program's own resources.
std::string ResourceBytes(const wchar_t* type, unsigned id);

// Every file StageDriverFiles and StageInfAndCatalog may write below the
// driver directory, and the folders; removed again after a test.
void RemoveStagedFiles(const std::wstring& driverDirectory);

} // namespace pkg

#endif
