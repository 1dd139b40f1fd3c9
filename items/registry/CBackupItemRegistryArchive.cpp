// The registry archive: the writer of a backup and the reader of a restore.

#include "items/registry/CBackupItemRegistry.h"

#include "app/BackupException.h"
#include "framework/CArchive.h"
#include "framework/UniqueRegKey.h"
#include "installation/COrvexRegistry.h"
#include "items/data/DataPath.h"

#include <vector>

namespace {

const int kBufferSize = 4096;

const DWORD kVersion = 1;
const DWORD kSubKeyMarker = 0x00000000;
const DWORD kEndOfSubKeys = 0xFFFFFFFE;
const DWORD kValueMarker = 0x00000001;
const DWORD kEndOfValues = 0xFFFFFFFF;

const DWORD kCurrentUserId = 0x80000001;
const DWORD kLocalMachineId = 0x80000002;

// Key and value names are read into buffers of this many UTF-16 units; a
// longer value name ends the value list.
const DWORD kNameBuffer = 256;

// How often a value that keeps growing is read before the key counts as one
// that cannot be saved.
const int kValueReadAttempts = 8;

// The registry's own limit of nested key levels below a root.
const int kMaxKeyDepth = 512;

DWORD HiveId(HKEY hHive)
{
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hHive));
}

// How a failure names the hive of a key.
CString HiveName(HKEY hHive)
{
    if (hHive == HKEY_CURRENT_USER)
        return L"HKEY_CURRENT_USER";
    if (hHive == HKEY_LOCAL_MACHINE)
        return L"HKEY_LOCAL_MACHINE";
    CString id;
    id.Format(L"HKEY 0x%08lX", HiveId(hHive));
    return id;
}

// The stored id is the low half of a predefined handle, which is negative.
HKEY HiveFromId(DWORD dwId)
{
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(dwId)));
}

// A name the registry takes as it is stored: it reads a name only up to a
// null character, which would make a stored name another one.
bool IsWholeName(const CString& strName)
{
    return strName.Find(L'\0') < 0;
}

// A name that creates exactly one key directly below its parent. The
// registry takes a backslash as a separator and an empty name as the parent
// itself; "." and ".." are refused so that no other tool that reads the
// registry like a path can be led elsewhere by them.
bool IsPlainKeyName(const CString& strName)
{
    return !strName.IsEmpty() && strName.Find(L'\\') < 0 && IsWholeName(strName) && strName != L"." &&
           strName != L"..";
}

// Only this program's own keys may be written from a backup medium:
// Software\Tessaro\ and below, with runs of backslashes and a trailing one
// counting as one separator as the import treats them.
bool IsRestorable(HKEY hHive, const CString& strPath)
{
    if (hHive != HKEY_CURRENT_USER && hHive != HKEY_LOCAL_MACHINE)
        return false;
    if (strPath.IsEmpty() || strPath[0] == L'\\')
        return false;
    CStringArray components;
    int start = 0;
    while (start < strPath.GetLength()) {
        int end = strPath.Find(L'\\', start);
        if (end < 0)
            end = strPath.GetLength();
        if (end > start)
            components.Add(strPath.Mid(start, end - start));
        start = end + 1;
    }
    if (components.GetSize() < 3 || components.GetSize() > kMaxKeyDepth)
        return false;
    for (INT_PTR i = 0; i < components.GetSize(); ++i) {
        if (!IsPlainKeyName(components[i]))
            return false;
    }
    return components[0].CompareNoCase(L"Software") == 0 && components[1].CompareNoCase(L"Tessaro") == 0;
}

[[noreturn]] void ThrowDamaged(CArchive& ar, int nCause)
{
    CFile* pFile = ar.GetFile();
    AfxThrowArchiveException(nCause, pFile ? pFile->GetFilePath().GetString() : nullptr);
}

// One pass over the records of an archive. Walking applies nothing; applying
// writes each record that lies below the program's keys, but not a data path
// setting that names another folder than the one in use.
class CArchiveImport {
public:
    CArchiveImport(CArchive& ar, BOOL bApply) : m_ar(ar), m_bApply(bApply) {}

    void ReadRecords()
    {
        DWORD version = 0;
        m_ar >> version;
        LONG count = 0;
        m_ar >> count;
        // An absurd count ends at the end of the file; nothing is reserved for it.
        for (LONG i = 0; i < count; ++i) {
            DWORD id = 0;
            CString path;
            m_ar >> id >> path;
            m_hHive = HiveFromId(id);
            // A record that is not applied is still walked, so that the next
            // one is read from where it begins.
            if (m_bApply && IsRestorable(m_hHive, path))
                ImportKey(m_hHive, path, CString(), 0);
            else
                ImportKey(nullptr, CString(), CString(), 0);
        }
    }

    const SRegistryImport& GetResult() const { return m_result; }

private:
    // Creates the path below hParent one key at a time and applies the body
    // to its last key; strAt is where hParent lies below the hive. A null
    // hParent walks the body without applying it. nDepth counts the key
    // levels above hParent, so that hostile nesting ends before the stack does.
    void ImportKey(HKEY hParent, CString strPath, const CString& strAt, int nDepth)
    {
        if (nDepth > kMaxKeyDepth)
            ThrowDamaged(m_ar, CArchiveException::genericException);

        if (!strPath.IsEmpty()) {
            int separator = strPath.Find(L'\\');
            CString component = separator < 0 ? strPath : strPath.Left(separator);
            CString rest;
            if (separator >= 0) {
                int next = separator;
                while (next < strPath.GetLength() && strPath[next] == L'\\')
                    ++next;
                rest = strPath.Mid(next);
            }
            HKEY hKey = CreateKey(hParent, component, strAt);
            if (!hKey) {
                // The path cannot be created (no rights, for instance): the
                // record is walked, not restored.
                ImportKey(nullptr, CString(), CString(), nDepth + 1);
                return;
            }
            UniqueRegKey key(hKey);
            ImportKey(key.Get(), rest, Below(strAt, component), nDepth + 1);
            return;
        }

        for (;;) {
            DWORD marker = 0;
            m_ar >> marker;
            if (marker != kSubKeyMarker)
                break;
            CString name;
            m_ar >> name;
            UniqueRegKey subKey(CreateKey(hParent, name, strAt));
            ImportKey(subKey.Get(), CString(), Below(strAt, name), nDepth + 1);
        }
        ImportValues(hParent, strAt);
    }

    void ImportValues(HKEY hKey, const CString& strAt)
    {
        for (;;) {
            DWORD marker = 0;
            m_ar >> marker;
            if (marker != kValueMarker)
                return;
            CString name;
            DWORD type = 0;
            DWORD length = 0;
            m_ar >> name >> type >> length;
            // The length comes from the medium: it has to fit into what is
            // left before anything is allocated for it.
            if (length > m_ar.GetRemaining())
                ThrowDamaged(m_ar, CArchiveException::endOfFile);
            std::vector<BYTE> data(static_cast<SIZE_T>(length) + 1);
            if (m_ar.Read(data.data(), length) != length)
                ThrowDamaged(m_ar, CArchiveException::endOfFile);
            if (!hKey || !IsWholeName(name))
                continue;
            if (IsOtherDataPath(strAt, name, type, data.data(), length))
                m_result.bKeptDataPath = TRUE;
            else
                NoteFailure(RegSetValueExW(hKey, name, 0, type, data.data(), length), strAt);
        }
    }

    // The key strName below hParent, created where missing; null when hParent
    // is (the record is only walked), when the name is not plain, or when the
    // system refuses, which is noted.
    HKEY CreateKey(HKEY hParent, const CString& strName, const CString& strAt)
    {
        if (!hParent || !IsPlainKeyName(strName))
            return nullptr;
        HKEY hKey = nullptr;
        if (!NoteFailure(RegCreateKeyW(hParent, strName, &hKey), Below(strAt, strName)))
            return nullptr;
        return hKey;
    }

    // TRUE on success; otherwise the key joins those not written, once.
    BOOL NoteFailure(LONG nResult, const CString& strAt)
    {
        if (nResult == ERROR_SUCCESS)
            return TRUE;
        if (nResult == ERROR_ACCESS_DENIED)
            m_result.bAccessDenied = TRUE;
        const CString strKey = HiveName(m_hHive) + L"\\" + strAt;
        std::vector<CString>& notWritten = m_result.notWritten;
        if (notWritten.empty() || notWritten.back() != strKey)
            notWritten.push_back(strKey);
        return FALSE;
    }

    // The installation's data path setting, naming another folder than the
    // one in use: the patient data stay where they are, and so does the setting.
    bool IsOtherDataPath(const CString& strAt, const CString& strName, DWORD type, const BYTE* pData,
                         DWORD length) const
    {
        return m_hHive == HKEY_LOCAL_MACHINE && strAt.CompareNoCase(m_strSettingsKey) == 0 &&
               strName.CompareNoCase(L"DataPath") == 0 &&
               ResolveDataPathValue(type, pData, length).CompareNoCase(GetDataPath()) != 0;
    }

    static CString Below(const CString& strAt, const CString& strName)
    {
        return strAt.IsEmpty() ? strName : strAt + L"\\" + strName;
    }

    CArchive& m_ar;
    const BOOL m_bApply;
    HKEY m_hHive = nullptr;
    const CString m_strSettingsKey = gRegistry.GetRegistryRoot() + L"Settings";
    SRegistryImport m_result;
};

} // namespace

void CBackupItemRegistry::WriteRegistry(CFile* pFile)
{
    CArchive ar(pFile, CArchive::store, kBufferSize);
    ar << kVersion << static_cast<DWORD>(m_arrHives.GetSize());
    for (INT_PTR i = 0; i < m_arrHives.GetSize(); ++i) {
        const SRegHive& hive = m_arrHives[i];
        ar << HiveId(hive.hHive) << hive.strKeyPath;
        // A key that does not open gets an empty body. Saving only reads.
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(hive.hHive, hive.strKeyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            hKey = nullptr;
        // An empty path may hand back the predefined root, which is not ours to close.
        UniqueRegKey key(hKey != hive.hHive ? hKey : nullptr);
        ExportKey(hKey, HiveName(hive.hHive) + L"\\" + hive.strKeyPath, ar, hive.bWithSubKeys);
    }
    ar.Close();
}

void CBackupItemRegistry::ExportKey(HKEY hKey, const CString& strPath, CArchive& ar, BOOL bWithSubKeys)
{
    if (hKey && bWithSubKeys) {
        for (DWORD index = 0;; ++index) {
            wchar_t name[kNameBuffer];
            DWORD nameLength = kNameBuffer;
            if (RegEnumKeyExW(hKey, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            // A sub-key the user may not read is left out.
            HKEY hSubKey = nullptr;
            if (RegOpenKeyExW(hKey, name, 0, KEY_READ, &hSubKey) != ERROR_SUCCESS)
                continue;
            UniqueRegKey subKey(hSubKey);
            const CString subKeyName(name, static_cast<int>(nameLength));
            ar << kSubKeyMarker << subKeyName;
            ExportKey(subKey.Get(), strPath + L"\\" + subKeyName, ar, TRUE);
        }
    }
    ar << kEndOfSubKeys;
    ExportValues(hKey, strPath, ar);
}

void CBackupItemRegistry::ExportValues(HKEY hKey, const CString& strPath, CArchive& ar)
{
    for (DWORD index = 0; hKey; ++index) {
        wchar_t name[kNameBuffer];
        DWORD nameLength = kNameBuffer;
        DWORD dataSize = 0;
        if (RegEnumValueW(hKey, index, name, &nameLength, nullptr, nullptr, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        // A value that grows between the two reads is read again with the
        // size it has then; one that keeps changing cannot be saved whole.
        std::vector<BYTE> data;
        DWORD type = 0;
        DWORD got = 0;
        LONG result = ERROR_MORE_DATA;
        for (int attempt = 0; result == ERROR_MORE_DATA && attempt < kValueReadAttempts; ++attempt) {
            data.assign(static_cast<SIZE_T>(dataSize) + 1, 0);
            got = dataSize;
            nameLength = kNameBuffer;
            result = RegEnumValueW(hKey, index, name, &nameLength, nullptr, &type, data.data(), &got);
            dataSize = got;
        }
        if (result != ERROR_SUCCESS)
            throw new CBackupException(5, strPath);
        ar << kValueMarker << CString(name, static_cast<int>(nameLength)) << type << got;
        ar.Write(data.data(), got);
    }
    ar << kEndOfValues;
}

SRegistryImport CBackupItemRegistry::ReadRegistry(CFile* pFile)
{
    // A damaged archive changes nothing: the first pass walks every record
    // without applying it, and only an archive that reads to its end is read
    // again and applied.
    const ULONGLONG start = pFile->GetPosition();
    SRegistryImport result;
    for (BOOL bApply : {FALSE, TRUE}) {
        pFile->Seek(static_cast<LONGLONG>(start), CFile::begin);
        CArchive ar(pFile, CArchive::load, kBufferSize);
        CArchiveImport import(ar, bApply);
        import.ReadRecords();
        ar.Close();
        result = import.GetResult();
    }
    return result;
}
