#include "framework/SystemErrorText.h"

#include "framework/Exceptions.h"

#include <new>

CString GetSystemErrorText(DWORD dwError)
{
    wchar_t* pszText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
        0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    CString strText = nLength ? CString(pszText, static_cast<int>(nLength)) : CString();
    if (pszText)
        ::LocalFree(pszText);
    // Some messages span lines; a report line holds them as one sentence.
    strText.Replace(L"\r\n", L" ");
    strText.Replace(L'\n', L' ');
    strText.Trim();
    CString strCode;
    if (strText.IsEmpty())
        strCode.Format(L"Windows error %lu", dwError);
    else
        strCode.Format(L" (error %lu)", dwError);
    return strText + strCode;
}

DWORD TakeCurrentExceptionError()
{
    try {
        throw;
    } catch (CFileException* e) {
        DWORD dwError = e->m_lOsError > 0 ? static_cast<DWORD>(e->m_lOsError) : ERROR_WRITE_FAULT;
        if (e->m_lOsError <= 0 && e->m_cause == CFileException::diskFull)
            dwError = ERROR_DISK_FULL;
        e->Delete();
        return dwError;
    } catch (CMemoryException* e) {
        e->Delete();
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (CException* e) {
        e->Delete();
        return ERROR_GEN_FAILURE;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}
