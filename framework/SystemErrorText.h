#pragma once
// The system's own words for a Win32 error code, as users and administrators
// see them elsewhere in Windows, for reports and messages that name a failure.

#include "framework/CString.h"

// The message of dwError in the user's language, without the line break the
// system ends it with, followed by the code ("... (error 32)") so that it can
// be looked up; "Windows error 32" alone when the system has no text for it.
CString GetSystemErrorText(DWORD dwError);

// Inside a catch block: the Win32 error that stands for the exception being
// handled (a file exception's own error, ERROR_NOT_ENOUGH_MEMORY for
// exhausted memory, ERROR_GEN_FAILURE for anything else). A framework
// exception is released. For code that reports failures as error codes
// because it must not throw.
DWORD TakeCurrentExceptionError();
