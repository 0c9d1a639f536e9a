// Which of the program's texts the setup page shows for what the
// installation run tells it.
#ifndef QV_WIZARD_SETUPTEXTS_H
#define QV_WIZARD_SETUPTEXTS_H

#include "context/InstallResult.h"
#include "install/InstallSequence.h"
#include "install/Removal.h"

// The string-table id of the message shown for a failed run (0: none).
unsigned MessageIdForResult(InstallResult result);

// The string-table id of a status line (0 for the empty line).
unsigned StatusTextId(ISetupPage::Status status);

// The string-table id of the wizard's caption in a phase of the run.
unsigned PhaseTitleId(ISetupPage::Phase phase);

// The caption of the box that reports a helper program that could not be
// written: `format` (string 499) with its "%s" replaced by the model's name.
std::wstring SetupUtilityCaption(const std::wstring& format, const std::wstring& modelName);

// The message a removal ends with, and its line in the log.
unsigned RemovalMessageId(RemovalOutcome outcome);
std::wstring RemovalLogText(RemovalOutcome outcome);

#endif
