// Checks of what a page of the wizard looks like at the display's scale,
// made from outside on its windows: every text fits its control (measured
// with the control's own font), no two controls overlap, every picture
// fills its frame, and headings are not smaller than the body text.
#ifndef QV_TESTS_E2E_SCALECHECKS_H
#define QV_TESTS_E2E_SCALECHECKS_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Sets the display's dots per inch for programs started from now on (the
// user's desktop setting); false when the registry refused it.
bool SetDisplayDpi(int dpi);
// The dots per inch this program sees.
int DisplayDpi();

// The faults found on the page the wizard shows now (with the wizard's own
// buttons), one line each; empty when it passes. `dpi`: the wizard's scale.
std::vector<std::string> PageFitFaults(HWND wizard, int dpi);

}  // namespace e2e

#endif
