#include "app/ReportFolder.h"

#include "app/RunReport.h"
#include "framework/CArray.h"
#include "framework/SystemErrorText.h"
#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"

#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <vector>

namespace {

constexpr const wchar_t* kReportFolderName = L"Backup Reports";
// "2026-12-07 03-15-00": the start of a report's name, which orders the reports.
constexpr int kTimeLength = 19;

// Only names this folder gives are reports: "dddd-dd-dd dd-dd-dd <kind>[ (n)].txt".
bool IsReportName(const CString& strName)
{
    const wchar_t* pattern = L"0000-00-00 00-00-00 ";
    if (strName.GetLength() <= kTimeLength + 5 || strName.Right(4).CompareNoCase(L".txt") != 0)
        return false;
    for (int i = 0; i <= kTimeLength; ++i) {
        const bool bDigit = std::iswdigit(strName[i]) != 0;
        if (pattern[i] == L'0' ? !bDigit : strName[i] != pattern[i])
            return false;
    }
    return true;
}

// Oldest first: by the time in the name; of two reports of the same second,
// the one without a number, then by the number's length and value.
bool Older(const CString& a, const CString& b)
{
    const int byTime = a.Left(kTimeLength).Compare(b.Left(kTimeLength));
    if (byTime != 0)
        return byTime < 0;
    if (a.GetLength() != b.GetLength())
        return a.GetLength() < b.GetLength();
    return a.Compare(b) < 0;
}

} // namespace

CString CReportFolder::GetDefaultPath()
{
    wchar_t* pszProgramData = nullptr;
    CString strBase;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &pszProgramData)))
        strBase = pszProgramData;
    ::CoTaskMemFree(pszProgramData);
    if (strBase.IsEmpty())
        return CString();
    // "Software\Tessaro\ORVEX\" names the installation as "Tessaro\ORVEX".
    CString strRoot = gRegistry.GetRegistryRoot();
    if (strRoot.Left(9).CompareNoCase(L"Software\\") == 0)
        strRoot = strRoot.Mid(9);
    strRoot.Trim();
    while (!strRoot.IsEmpty() && strRoot[strRoot.GetLength() - 1] == L'\\')
        strRoot = strRoot.Left(strRoot.GetLength() - 1);
    return CDirectory::Concat(CDirectory::Concat(strBase, strRoot), kReportFolderName);
}

DWORD CReportFolder::Add(const CRunReport& report, CString& strFile) const
{
    strFile.Empty();
    try {
        if (!CDirectory::Make(m_strPath))
            return ERROR_PATH_NOT_FOUND;
        const CString strCandidate = CDirectory::Concat(m_strPath, NewFileName(report));
        const DWORD dwError = report.Write(strCandidate);
        if (dwError != ERROR_SUCCESS)
            return dwError;
        strFile = strCandidate;
    } catch (...) {
        return TakeCurrentExceptionError();
    }
    try {
        RemoveOldest();
    } catch (...) {
        // The report is written; the old ones go at a later run.
        TakeCurrentExceptionError();
    }
    return ERROR_SUCCESS;
}

CString CReportFolder::NewFileName(const CRunReport& report) const
{
    const CString strStem = CRunReport::LocalTimeText(report.GetStart(), L'-') + L" " + RunKindName(report.GetKind());
    CString strName = strStem + L".txt";
    // Two runs may start in the same second; neither report replaces the other.
    for (int n = 2; CDirectory::FileExist(m_strPath, strName); ++n)
        strName.Format(L"%s (%d).txt", strStem.GetString(), n);
    return strName;
}

void CReportFolder::RemoveOldest() const
{
    CStringArray arrNames;
    CDirectory::ListFiles(m_strPath, arrNames, L"*.txt", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    std::vector<CString> reports;
    for (INT_PTR i = 0; i < arrNames.GetSize(); ++i) {
        if (IsReportName(arrNames[i]))
            reports.push_back(arrNames[i]);
    }
    if (reports.size() <= static_cast<size_t>(kKeptReports))
        return;
    std::sort(reports.begin(), reports.end(), Older);
    for (size_t i = 0; i + kKeptReports < reports.size(); ++i)
        ::DeleteFileW(CDirectory::Concat(m_strPath, reports[i]));
}
