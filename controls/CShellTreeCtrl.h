#pragma once
// Tree of the shell namespace below a root folder (the folder browser shows
// the computer's drives): the shell's own names and small icons, folders
// only or files too, each level filled when it is first expanded. Every
// node's item data is its absolute item ID list, from the shell allocator
// and owned by the node: the list is freed when the tree deletes the node,
// so the window must be destroyed before the object.
//
// The thread that uses the control must be in a single-threaded COM
// apartment (see CComApartment). User-interface thread only.

#include "controls/CWaitingTreeCtrl.h"

#include <shlobj.h>

class CShellTreeCtrl : public CWaitingTreeCtrl {
public:
    // Holds one reference to a COM interface and releases it exactly once.
    template <class T>
    class CComRef {
    public:
        CComRef() = default;
        ~CComRef() { Reset(); }
        CComRef(const CComRef&) = delete;
        CComRef& operator=(const CComRef&) = delete;

        T* Get() const { return m_p; }
        T* operator->() const { return m_p; }
        explicit operator bool() const { return m_p != nullptr; }

        // Releases what is held and gives the address for a function that
        // hands out a new reference.
        T** Receive()
        {
            Reset();
            return &m_p;
        }
        // Holds p with a reference of its own.
        void Share(T* p)
        {
            if (p)
                p->AddRef();
            Reset();
            m_p = p;
        }
        void Reset()
        {
            if (m_p)
                m_p->Release();
            m_p = nullptr;
        }

    private:
        T* m_p = nullptr;
    };

    CShellTreeCtrl();
    ~CShellTreeCtrl() override;

    // Lists the objects below pidlRoot (an absolute item ID list; null or
    // empty: the desktop), folders only unless bIncludeFiles, and fills the
    // top level. The control keeps a copy of the list.
    void SetRootFolder(LPCITEMIDLIST pidlRoot, BOOL bIncludeFiles);

    // The file-system path of the selected node; empty without a selection
    // and for a virtual folder such as the computer folder itself.
    CString GetSelectedPath() const { return GetItemPath(GetSelectedItem()); }
    // The file-system path of a node; empty as for GetSelectedPath.
    CString GetItemPath(HTREEITEM hItem) const;

    // Opens the tree down to the folder strPath level by level, as the user
    // would, and selects the deepest node on the way: the folder itself when
    // it is listed, else its nearest listed ancestor. Null when no node lies
    // on the path (nothing is selected then).
    HTREEITEM SelectPath(const CString& strPath);

    // An item ID list is a chain of SHITEMIDs, each starting with its 16-bit
    // byte count (the count included); a count of 0 ends the list.

    // Bytes before the terminator; 0 for null.
    static UINT GetIdListSize(LPCITEMIDLIST pidl);
    // The last ID of the list; the list itself when it has one ID or none.
    static LPCITEMIDLIST GetLastItemId(LPCITEMIDLIST pidl);
    // pidl1 followed by pidl2 (either may be null) in a new list from the
    // shell allocator; null when both are empty or memory is exhausted.
    LPITEMIDLIST ConcatIdLists(LPCITEMIDLIST pidl1, LPCITEMIDLIST pidl2) const;

protected:
    BOOL FillItem(HTREEITEM hParent) override;
    void PreSubclassWindow() override;
    BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) override;

    // Completes the text, images and children flag that item's mask asks
    // for, for the child pidlRelative of pFolder (pidlFull: its absolute
    // list). TRUE when the child is a local, non-removable object.
    BOOL GetChildInfo(TVITEMW& item, LPCITEMIDLIST pidlFull, IShellFolder* pFolder, LPCITEMIDLIST pidlRelative);

    // TVM_SORTCHILDRENCB callback: the nodes' absolute lists in lParam1 and
    // lParam2, their parent's IShellFolder in lParamSort.
    static int CALLBACK CompareChildren(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

private:
    // TRUE when pidl has a file-system path that lies on a fixed drive, or
    // no file-system path at all.
    static BOOL IsLocalOrVirtual(LPCITEMIDLIST pidl);

    BOOL m_bIncludeFiles = FALSE;
    LPITEMIDLIST m_pidlRoot = nullptr;
    CComRef<IMalloc> m_pMalloc;
    CComRef<IShellFolder> m_pDesktop;
    // The text of the node being inserted; the tree copies it.
    CString m_strItemText;
};
