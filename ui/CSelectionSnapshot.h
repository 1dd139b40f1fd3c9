#pragma once
// The ticks of an item tree, kept by the names of the items, to be given to a
// tree built afresh from the same installation: the user's selection outlives
// a rebuild. An item the old tree did not have follows its parent's tick.

#include "items/CBackupItem.h"

#include <map>

class CSelectionSnapshot {
public:
    explicit CSelectionSnapshot(CBackupItem* pRoot) { Take(pRoot, m_root); }

    // Ticks the enabled items of pRoot's tree as the old tree had them; the
    // caller brings the tree control's parent states in line afterwards.
    void ApplyTo(CBackupItem* pRoot) const { Give(pRoot, &m_root, CTreeItem::Unchecked); }

private:
    struct SNode {
        UINT nCheck = CTreeItem::Unchecked;
        std::map<CString, SNode> children;
    };

    static void Take(CBackupItem* pItem, SNode& node);
    static void Give(CBackupItem* pItem, const SNode* pNode, UINT nParentCheck);

    SNode m_root;
};
