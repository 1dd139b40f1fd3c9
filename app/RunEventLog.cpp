#include "app/RunEventLog.h"

#include "app/Backup.h"
#include "app/RunReport.h"
#include "framework/SystemErrorText.h"

namespace {

// A handle of a registered event source, deregistered when it goes away.
class CEventSource {
public:
    explicit CEventSource(const wchar_t* pszName) : m_hSource(::RegisterEventSourceW(nullptr, pszName)) {}
    ~CEventSource()
    {
        if (m_hSource)
            ::DeregisterEventSource(m_hSource);
    }
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;

    BOOL Report(WORD wType, DWORD dwEventId, const CString& strText) const
    {
        const wchar_t* strings[] = {strText.GetString()};
        return m_hSource && ::ReportEventW(m_hSource, wType, 0, dwEventId, nullptr, 1, 0, strings, nullptr);
    }

private:
    HANDLE m_hSource;
};

} // namespace

WORD EventTypeForExitCode(UINT nExitCode)
{
    if (nExitCode & CBackup::OutcomeFatal)
        return EVENTLOG_ERROR_TYPE;
    return nExitCode == 0 ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_WARNING_TYPE;
}

BOOL ReportRunToEventLog(const CRunReport& report, const CString& strReportPath)
{
    try {
        const UINT nExitCode = report.GetOutcomeBits();
        CString strText;
        strText.Format(L"Unattended %s, backup folder %s: exit code %u.\r\n%s",
                       RunKindName(report.GetKind()).MakeLower().GetString(), report.GetBackupDir().GetString(),
                       nExitCode, report.GetOutcomeWords().GetString());
        for (UINT nBit = 1; nBit <= nExitCode && nBit != 0; nBit <<= 1) {
            if (nExitCode & nBit) {
                CString strBit;
                strBit.Format(L"\r\n%u: %s", nBit, CRunReport::DescribeOutcomeBit(nBit).GetString());
                strText += strBit;
            }
        }
        strText += strReportPath.IsEmpty() ? CString(L"\r\nNo report could be written.")
                                           : L"\r\nReport: " + strReportPath;
        return CEventSource(kEventLogSource).Report(EventTypeForExitCode(nExitCode), nExitCode, strText);
    } catch (...) {
        TakeCurrentExceptionError();
        return FALSE;
    }
}
