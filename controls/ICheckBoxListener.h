#pragma once
// How the check-box tree tells its owner that the user changed a check state.
// A page implements it as a second base and hands itself to
// CCheckboxTree::Init; the tree does not own it.

class CTreeItem;

class ICheckBoxListener {
public:
    // Called on the user-interface thread after the user toggled pItem and
    // every state in the tree was brought up to date.
    virtual void OnCheckChanged(CTreeItem* pItem) = 0;

protected:
    // Never deleted through this interface.
    ~ICheckBoxListener() = default;
};
