// Which of the program's texts the setup page shows for what the
// installation run tells it.
#ifndef QV_WIZARD_SETUPTEXTS_H
#define QV_WIZARD_SETUPTEXTS_H

#include <cstddef>
#include <string>

#include "context/InstallResult.h"
#include "install/InstallSequence.h"
#include "install/Removal.h"

// What a run's result says, once for both of its readers: the wizard's
// message box (a string-table id, 0 for none) and the unattended run's log
// (plain English, where "%s" stands for the model's display name). One row
// per result but Success; a new result gets its row here.
struct ResultText {
    InstallResult result;
    unsigned messageId;
    const wchar_t* logText;
};

extern const ResultText kResultTexts[];
extern const std::size_t kResultTextCount;

// The row of `result`; null for Success and for a value no run reports.
const ResultText* FindResultText(InstallResult result);

// The string-table id of the message shown for a failed run (0: none).
unsigned MessageIdForResult(InstallResult result);

// The log's explanation of `result`, with the model's display name put in;
// empty when the result has no row.
std::wstring ResultLogText(InstallResult result, const std::wstring& modelName);

// The string-table id of a status line (0 for the empty line).
unsigned StatusTextId(ISetupPage::Status status);

// The string-table id of the wizard's caption in a phase of the run.
unsigned PhaseTitleId(ISetupPage::Phase phase);

// The caption of the box that reports a helper program that could not be
// written: `format` (string 499) with its "%s" replaced by the model's name.
std::wstring SetupUtilityCaption(const std::wstring& format, const std::wstring& modelName);

// What a removal's outcome says, in the same two forms: the message it ends
// with (every outcome has one) and its line in the log.
// What a removal's outcome says, and the exit code it ends with.
struct RemovalText {
    RemovalOutcome outcome;
    int exitCode;
    unsigned messageId;
    const wchar_t* logText;
};

extern const RemovalText kRemovalTexts[];
extern const std::size_t kRemovalTextCount;

unsigned RemovalMessageId(RemovalOutcome outcome);
std::wstring RemovalLogText(RemovalOutcome outcome);
int RemovalExitCode(RemovalOutcome outcome);

#endif
