#pragma once
// Asking the user for a folder. The pages call only PickFolder, so the way of
// choosing (for now the system's own folder picker) can change in one place.

#include "framework/CString.h"

#include <functional>

// Shows the folder picker owned by hOwner; bAllowNewFolder offers the button
// that creates a folder. TRUE with the chosen folder's path in strPath; FALSE
// when the user cancelled or chose something that is not a file-system folder.
// User-interface thread.
BOOL PickFolder(HWND hOwner, BOOL bAllowNewFolder, CString& strPath);

using FolderResponder = std::function<BOOL(BOOL bAllowNewFolder, CString& strPath)>;

// Installs (or, with an empty function, removes) an answer that PickFolder
// gives instead of showing the picker. Tests only.
void SetFolderResponder(FolderResponder responder);
