#pragma once
// The entry an unattended run leaves in the Windows Application event log,
// where administrators and monitoring tools watch scheduled tasks: one per
// run, from the source "ORVEX Backup", with the exit code as its event id.
// No message file is installed, so the whole text is the entry's one
// insertion string (the Event Viewer puts its note about the missing
// description in front of it).

#include "framework/CString.h"

class CRunReport;

inline constexpr const wchar_t* kEventLogSource = L"ORVEX Backup";

// Information for exit code 0, a warning for bits 1 to 4 alone, an error once
// the fatal bit 8 is set.
WORD EventTypeForExitCode(UINT nExitCode);

// Reports the run's outcome, with the report's path (or, when strReportPath
// is empty, that no report could be written). FALSE when the platform has no
// working event log; the run goes on either way.
BOOL ReportRunToEventLog(const CRunReport& report, const CString& strReportPath);
