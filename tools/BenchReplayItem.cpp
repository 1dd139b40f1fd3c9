#include "tools/BenchReplayItem.h"

#include "app/IProgressListener.h"
#include "tools/BenchTimer.h"

BenchReplayItem::BenchReplayItem(std::vector<LONGLONG> sizes, int nPasses) : m_sizes(std::move(sizes)), m_nPasses(nPasses)
{
    SetName(L"replay");
}

LONGLONG BenchReplayItem::CalculateSize()
{
    LONGLONG total = 0;
    for (LONGLONG size : m_sizes)
        total += size;
    return total;
}

void BenchReplayItem::Backup(const CString&, IProgressListener* pListener)
{
    BenchTimer timer;
    for (int pass = 0; pass < m_nPasses; ++pass) {
        pListener->SetStatusText(pass == 0 ? L"Copying Files..." : L"Verifying Files...");
        for (LONGLONG size : m_sizes) {
            pListener->IsCancelled();
            pListener->AddProgress(size);
            ++m_calls;
        }
    }
    // What the dialog has not shown yet is shown when the run ends.
    pListener->GetProgressPos();
    m_seconds = timer.Seconds();
}
