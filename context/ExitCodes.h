// The installer's exit codes besides its installation results (see
// InstallResult.h), as deployment tools read them. Written once: the
// command line, the unattended runs, removal's outcome table and the tests
// take them from here.
#ifndef QV_CONTEXT_EXITCODES_H
#define QV_CONTEXT_EXITCODES_H

// The exit code of a command line the program cannot follow
// (ERROR_INVALID_PARAMETER).
const int kBadCommandLineExitCode = 87;
// Installed, but the helper service did not finish the device records (its
// program could not be written out, or a step of its run failed).
const int kHelperNotFinishedExitCode = 80;
// Installed, but the printer could not be made the default printer.
const int kDefaultPrinterNotSetExitCode = 81;
// Installed, but not (wholly) registered: the entry in the list of
// programs, the installer copy it starts, or the record of what was
// installed could not be written. Removal cannot take away what is not
// recorded, and a deployment tool's detection rule does not find the
// entry; run the installation again.
const int kNotRegisteredExitCode = 82;
// The run cannot take the installation lock (install/RunLock.h): it does
// not run as an administrator, or the Windows folder cannot be written
// (ERROR_ACCESS_DENIED). Nothing was changed.
const int kLockUnavailableExitCode = 5;
// Windows protected print mode is on: this computer takes only printers of
// the system's own class driver (ERROR_INSTALL_PACKAGE_REJECTED, "forbidden
// by system policy"). Nothing was changed.
const int kBlockedByPolicyExitCode = 1625;
// A newer version is installed, and /force does not ask to replace it with
// this older one (ERROR_PRODUCT_VERSION, "another version of this product is
// already installed"). Nothing was changed.
const int kDowngradeExitCode = 1638;
// /model auto: no connected USB or parallel printer is one of the listed
// models. Nothing was changed.
const int kNoAttachedModelExitCode = 83;
// /model auto: printers of more than one listed model are connected; the
// log names them. Nothing was changed.
const int kSeveralAttachedModelsExitCode = 84;
// Removal: removed, but a file in use is deleted when Windows restarts
// (ERROR_SUCCESS_REBOOT_REQUIRED, which deployment tools know).
const int kRemovedAtRestartExitCode = 3010;
// Removal: nothing of ours is installed (ERROR_UNKNOWN_PRODUCT).
const int kNothingInstalledExitCode = 1605;
// Removal: a printer, driver, file or record could not be removed, or a
// list or key it needed to look at could not be read; the entry in the list
// of programs and the record stay for another attempt
// (ERROR_INSTALL_FAILURE).
const int kRemovalIncompleteExitCode = 1603;
// The user answered no to the removal's question (ERROR_INSTALL_USEREXIT).
const int kRemovalCancelledExitCode = 1602;
// Another run of the installer is under way; nothing was changed
// (ERROR_INSTALL_ALREADY_RUNNING, what Windows Installer answers too).
const int kAlreadyRunningExitCode = 1618;

#endif
