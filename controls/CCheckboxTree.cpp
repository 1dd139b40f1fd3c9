#include "controls/CCheckboxTree.h"

#include "controls/ICheckBoxListener.h"
#include "framework/CBitmap.h"
#include "framework/CCompatibleDC.h"
#include "framework/CDialog.h"
#include "framework/CSelectObject.h"
#include "framework/CWindowDC.h"
#include "items/CTreeItem.h"

#include <windowsx.h>

namespace {

const int kCheckImageSize = 16;
const int kCheckImageCount = 3;

} // namespace

CCheckboxTree::~CCheckboxTree()
{
    Detach();
}

BOOL CCheckboxTree::Init(UINT nId, CWnd* pParent, ICheckBoxListener* pListener)
{
    HWND hWnd = pParent ? pParent->GetDlgItem(static_cast<int>(nId)) : nullptr;
    if (!hWnd)
        return FALSE;
    // The object's address is the subclass id, so that Detach removes only
    // this object's procedure.
    if (!::SetWindowSubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = hWnd;
    CDialog::RegisterReflection(m_hWnd, this);
    m_pListener = pListener;
    m_clrDisabledText = ::GetSysColor(COLOR_3DLIGHT);
    BuildCheckImages();
    return TRUE;
}

void CCheckboxTree::Detach()
{
    if (m_hWnd && ::RemoveWindowSubclass(m_hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this)))
        CDialog::UnregisterReflection(m_hWnd);
}

void CCheckboxTree::BuildCheckImages()
{
    CWindowDC dc(m_hWnd);
    CCompatibleDC memDC(dc.Get());
    // One image's worth: ImageList_Replace may stretch the whole bitmap into
    // the image (Wine does), so the bitmap is exactly one image large.
    CBitmap bitmap(dc.Get(), kCheckImageSize, kCheckImageSize);
    if (!dc.Get() || !memDC.Get() || !bitmap.Get())
        return;
    if (!m_imageList.Create(kCheckImageSize, kCheckImageSize, ILC_COLOR32, kCheckImageCount, 1))
        return;
    m_imageList.SetImageCount(kCheckImageCount);

    // Index = check state: empty box, ticked box, ticked box greyed for
    // "partly checked"; drawn like the system's own check boxes.
    const UINT states[kCheckImageCount] = {
        DFCS_BUTTONCHECK,
        DFCS_BUTTONCHECK | DFCS_CHECKED,
        DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE,
    };
    for (int i = 0; i < kCheckImageCount; ++i) {
        {
            CSelectObject select(memDC.Get(), bitmap.Get());
            RECT rc = {0, 0, kCheckImageSize, kCheckImageSize};
            ::DrawFrameControl(memDC.Get(), &rc, DFC_BUTTON, states[i]);
        }
        // No mask: a list without ILC_MASK is documented to ignore one, but
        // Wine applies it to 32-bit lists and blanks the light pixels.
        m_imageList.Replace(i, bitmap.Get(), nullptr);
    }
    // Nodes carry no state image index, so only the normal images show.
    SetImageList(m_imageList.GetSafeHandle(), TVSIL_NORMAL);
    SetImageList(m_imageList.GetSafeHandle(), TVSIL_STATE);
}

HTREEITEM CCheckboxTree::InsertItem(CTreeItem* pItem, CTreeItem* pParent)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = pParent ? pParent->GetTreeItem() : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    // The check picture is the node's image, so that it stands where a tree
    // normally shows an icon; its index is the item's check state.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(pItem);
    HTREEITEM hItem = CTreeCtrl::InsertItem(insert);
    pItem->SetTreeItem(hItem);
    return hItem;
}

void CCheckboxTree::RefreshCheckStates()
{
    HTREEITEM hRoot = GetRootItem();
    if (CTreeItem* pRoot = hRoot ? GetTreeItem(hRoot) : nullptr)
        UpdateSubtree(pRoot);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

CTreeItem* CCheckboxTree::GetTreeItem(HTREEITEM hItem) const
{
    return reinterpret_cast<CTreeItem*>(GetItemData(hItem));
}

CTreeItem* CCheckboxTree::GetParentTreeItem(CTreeItem* pItem) const
{
    HTREEITEM hItem = GetParentItem(pItem->GetTreeItem());
    return hItem ? GetTreeItem(hItem) : nullptr;
}

CTreeItem* CCheckboxTree::GetChildTreeItem(CTreeItem* pItem) const
{
    HTREEITEM hItem = GetChildItem(pItem->GetTreeItem());
    return hItem ? GetTreeItem(hItem) : nullptr;
}

CTreeItem* CCheckboxTree::GetNextSiblingTreeItem(CTreeItem* pItem) const
{
    HTREEITEM hItem = GetNextSiblingItem(pItem->GetTreeItem());
    return hItem ? GetTreeItem(hItem) : nullptr;
}

void CCheckboxTree::ToggleItem(CTreeItem* pItem)
{
    if (!pItem->IsEnabled())
        return;
    pItem->ToggleCheck();
    PropagateCheck(pItem);
    if (m_pListener)
        m_pListener->OnCheckChanged(pItem);
}

void CCheckboxTree::PropagateCheck(CTreeItem* pItem)
{
    pItem->SetCheck(SetChildrenCheck(pItem, pItem->GetCheck()));
    UpdateParents(pItem);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

UINT CCheckboxTree::SetChildrenCheck(CTreeItem* pItem, UINT nCheck)
{
    UINT nResult = nCheck;
    for (CTreeItem* pChild = GetChildTreeItem(pItem); pChild; pChild = GetNextSiblingTreeItem(pChild)) {
        // A disabled node and everything below it keep their states.
        if (pChild->IsEnabled()) {
            pChild->SetCheck(nCheck);
            pChild->SetCheck(SetChildrenCheck(pChild, nCheck));
        }
        if (pChild->GetCheck() != nCheck)
            nResult = CTreeItem::PartlyChecked;
    }
    return nResult;
}

void CCheckboxTree::UpdateParents(CTreeItem* pItem)
{
    for (CTreeItem* pParent = GetParentTreeItem(pItem); pParent; pParent = GetParentTreeItem(pParent)) {
        CTreeItem* pChild = GetChildTreeItem(pParent);
        if (!pChild)
            return;
        UINT nCheck = pChild->GetCheck();
        for (; pChild && nCheck != CTreeItem::PartlyChecked; pChild = GetNextSiblingTreeItem(pChild)) {
            if (pChild->GetCheck() != nCheck)
                nCheck = CTreeItem::PartlyChecked;
        }
        pParent->SetCheck(nCheck);
    }
}

void CCheckboxTree::UpdateSubtree(CTreeItem* pItem)
{
    // Bottom-up in one pass: each node's state from its children's, once
    // they are final. Walking every node's parents instead visits each
    // sibling list once per sibling, and every visit is a message to the
    // control.
    CTreeItem* pChild = GetChildTreeItem(pItem);
    if (!pChild)
        return;
    UpdateSubtree(pChild);
    UINT nCheck = pChild->GetCheck();
    for (pChild = GetNextSiblingTreeItem(pChild); pChild; pChild = GetNextSiblingTreeItem(pChild)) {
        UpdateSubtree(pChild);
        if (pChild->GetCheck() != nCheck)
            nCheck = CTreeItem::PartlyChecked;
    }
    pItem->SetCheck(nCheck);
}

BOOL CCheckboxTree::OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult)
{
    switch (pHdr->code) {
    case TVN_GETDISPINFOW:
        OnGetDispInfo(reinterpret_cast<NMTVDISPINFOW*>(pHdr));
        *pResult = 0;
        return TRUE;
    case NM_CLICK:
        OnClick();
        *pResult = 0;
        return TRUE;
    case TVN_KEYDOWN:
        OnKeyDown(reinterpret_cast<const NMTVKEYDOWN*>(pHdr));
        *pResult = 0;
        return TRUE;
    case NM_CUSTOMDRAW:
        *pResult = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(pHdr));
        return TRUE;
    default:
        return FALSE;
    }
}

void CCheckboxTree::OnGetDispInfo(NMTVDISPINFOW* pInfo)
{
    auto* pItem = reinterpret_cast<CTreeItem*>(pInfo->item.lParam);
    if (!pItem)
        return;
    pInfo->item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    pInfo->item.iImage = static_cast<int>(pItem->GetCheck());
    pInfo->item.iSelectedImage = pInfo->item.iImage;
    // The item's buffer keeps the text alive after this notification returns.
    pItem->DisplayText() = pItem->GetName();
    pInfo->item.pszText = const_cast<wchar_t*>(pItem->DisplayText().GetString());
}

void CCheckboxTree::OnClick()
{
    DWORD dwPos = ::GetMessagePos();
    POINT pt = {GET_X_LPARAM(dwPos), GET_Y_LPARAM(dwPos)};
    ::ScreenToClient(m_hWnd, &pt);
    UINT nFlags = 0;
    HTREEITEM hItem = HitTest(pt, &nFlags);
    // Only the check picture toggles; a click on the label just selects.
    if (hItem && (nFlags & TVHT_ONITEMICON)) {
        if (CTreeItem* pItem = GetTreeItem(hItem))
            ToggleItem(pItem);
    }
}

void CCheckboxTree::OnKeyDown(const NMTVKEYDOWN* pKey)
{
    if (pKey->wVKey != VK_SPACE)
        return;
    HTREEITEM hItem = GetSelectedItem();
    if (CTreeItem* pItem = hItem ? GetTreeItem(hItem) : nullptr)
        ToggleItem(pItem);
}

LRESULT CCheckboxTree::OnCustomDraw(NMTVCUSTOMDRAW* pDraw) const
{
    switch (pDraw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        auto* pItem = reinterpret_cast<CTreeItem*>(pDraw->nmcd.lItemlParam);
        if (pItem && !pItem->IsEnabled()) {
            pDraw->clrText = m_clrDisabledText;
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

BOOL CCheckboxTree::IsDoubleClickOnTopNode(LPARAM lParam) const
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    HTREEITEM hItem = HitTest(pt);
    return hItem && hItem == GetRootItem();
}

LRESULT CALLBACK CCheckboxTree::SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR dwRefData)
{
    auto* pThis = reinterpret_cast<CCheckboxTree*>(dwRefData);
    switch (msg) {
    case WM_LBUTTONDBLCLK:
        // The top node stays as it is: a double click neither collapses nor
        // expands it.
        if (pThis->IsDoubleClickOnTopNode(lParam))
            return 0;
        break;
    case WM_NCDESTROY:
        pThis->Detach();
        pThis->m_hWnd = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hWnd, msg, wParam, lParam);
}
