#include "tools/BenchTree.h"

#include "app/Globals.h"
#include "items/ItemNames.h"

CBackupItem* FindChild(CBackupItem* pItem, const wchar_t* pszName)
{
    const auto& children = pItem->GetChildren();
    for (INT_PTR i = 0; i < children.GetSize(); ++i) {
        if (children[i]->GetName() == pszName)
            return children[i];
    }
    return nullptr;
}

std::vector<LONGLONG> CopiedFileSizes(CBackupItem* pRoot)
{
    std::vector<LONGLONG> sizes;
    CBackupItem* pIndex = FindChild(pRoot, kPatientDataIndexName);
    if (!pIndex)
        return sizes;
    const auto& patients = pIndex->GetChildren();
    for (INT_PTR p = 0; p < patients.GetSize(); ++p) {
        const auto& files = patients[p]->GetChildren();
        for (INT_PTR f = 0; f < files.GetSize(); ++f) {
            if (!files[f]->IsTiffImage() || gBackupTiffImages)
                sizes.push_back(files[f]->GetSize());
        }
    }
    return sizes;
}

