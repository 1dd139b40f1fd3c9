#include "tools/BenchListener.h"

void BenchListener::AddProgress(LONGLONG nBytes)
{
    ++m_nProgressCalls;
    ++m_nMessages;
    m_nBytes += nBytes;
}

void BenchListener::SetProgressPos(int nPos)
{
    ++m_nMessages;
    m_nPos = nPos;
}
