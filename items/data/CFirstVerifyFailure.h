#pragma once
// Verification goes on after a mismatch, so that the rest of a medium is
// compared while it is still in the drive: each step runs here, the first
// failure is kept and raised once all steps ran, later ones are dropped.

#include "app/BackupException.h"

class CFirstVerifyFailure {
public:
    CFirstVerifyFailure() = default;
    ~CFirstVerifyFailure()
    {
        if (m_pFirst)
            m_pFirst->Delete();
    }
    CFirstVerifyFailure(const CFirstVerifyFailure&) = delete;
    CFirstVerifyFailure& operator=(const CFirstVerifyFailure&) = delete;

    template <class Step>
    void Run(Step step)
    {
        try {
            step();
        } catch (CBackupException* e) {
            if (m_pFirst)
                e->Delete();
            else
                m_pFirst = e;
        }
    }

    // Raises the kept failure, if any.
    void Rethrow()
    {
        CBackupException* e = m_pFirst;
        m_pFirst = nullptr;
        if (e)
            throw e;
    }

private:
    CBackupException* m_pFirst = nullptr;
};
