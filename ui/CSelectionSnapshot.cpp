#include "ui/CSelectionSnapshot.h"

void CSelectionSnapshot::Take(CBackupItem* pItem, SNode& node)
{
    node.nCheck = pItem->GetCheck();
    // Below an unticked item nothing is ticked.
    if (node.nCheck == CTreeItem::Unchecked)
        return;
    for (INT_PTR i = 0; i < pItem->GetChildren().GetSize(); ++i) {
        CBackupItem* pChild = pItem->GetChildren()[i];
        Take(pChild, node.children[pChild->GetName()]);
    }
}

void CSelectionSnapshot::Give(CBackupItem* pItem, const SNode* pNode, UINT nParentCheck)
{
    UINT nCheck = nParentCheck == CTreeItem::Checked ? CTreeItem::Checked : CTreeItem::Unchecked;
    if (pNode)
        nCheck = pNode->nCheck;
    if (pItem->IsEnabled())
        pItem->SetCheck(nCheck);
    for (INT_PTR i = 0; i < pItem->GetChildren().GetSize(); ++i) {
        CBackupItem* pChild = pItem->GetChildren()[i];
        const SNode* pChildNode = nullptr;
        if (pNode) {
            auto it = pNode->children.find(pChild->GetName());
            pChildNode = it == pNode->children.end() ? nullptr : &it->second;
        }
        Give(pChild, pChildNode, nCheck);
    }
}
