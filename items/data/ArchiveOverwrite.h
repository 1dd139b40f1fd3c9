#pragma once
// The overwrite rule of the items that write one archive file into a backup
// (the patient index, the registry items). Unlike the files items they never
// ask in an unattended run.

#include "framework/CString.h"

class IProgressListener;

// TRUE when strFile is to be (re)written: it does not exist, the run is
// unattended, the remembered answer is Yes, or the user answers Yes now.
// Cancel stops the run and keeps the file. Called on the worker thread of a
// run, which asks the question through its listener.
BOOL MayWriteArchive(const CString& strFile, IProgressListener* pListener);
