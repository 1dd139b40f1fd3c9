#include "items/CTreeItem.h"

UINT CTreeItem::GetCheck()
{
    return m_nCheck;
}

void CTreeItem::SetCheck(UINT nCheck)
{
    m_nCheck = nCheck;
}

void CTreeItem::ToggleCheck()
{
    switch (m_nCheck) {
    case Unchecked:
        m_nCheck = Checked;
        break;
    // A partly checked item is cleared, not completed.
    case Checked:
    case PartlyChecked:
        m_nCheck = Unchecked;
        break;
    default:
        m_nCheck = Checked;
        break;
    }
}
