#pragma once
// What the benchmark's programs read of a backup tree.

#include "items/CBackupItem.h"

#include <vector>

// The child of pItem with this name; null when it has none.
CBackupItem* FindChild(CBackupItem* pItem, const wchar_t* pszName);

// The sizes of the files a run over the tree copies, in copy order.
std::vector<LONGLONG> CopiedFileSizes(CBackupItem* pRoot);
