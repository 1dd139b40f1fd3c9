#include "tools/BenchDisk.h"

#include "tools/BenchTimer.h"

#include <memory>
#include <stdexcept>

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueFile = std::unique_ptr<void, HandleCloser>;

struct PageReleaser {
    void operator()(BYTE* p) const { VirtualFree(p, 0, MEM_RELEASE); }
};
using UniquePages = std::unique_ptr<BYTE, PageReleaser>;

// Page-aligned, as unbuffered transfers need.
UniquePages AllocateBlock()
{
    UniquePages block(static_cast<BYTE*>(VirtualAlloc(nullptr, BenchDisk::kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
    if (!block)
        throw std::runtime_error("out of memory");
    return block;
}

UniqueFile Open(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags)
{
    HANDLE h = CreateFileW(path.c_str(), access, 0, nullptr, disposition, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open the test file");
    return UniqueFile(h);
}

} // namespace

double BenchDisk::Write(const std::wstring& strPath, int nMegabytes)
{
    UniquePages block = AllocateBlock();
    // Data that no layer below could compress or skip.
    unsigned long long x = 0x9E3779B97F4A7C15ull;
    for (DWORD i = 0; i < kBlock; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        *reinterpret_cast<unsigned long long*>(block.get() + i) = x;
    }
    const ULONGLONG total = static_cast<ULONGLONG>(nMegabytes) * 1024 * 1024;
    BenchTimer timer;
    UniqueFile file = Open(strPath, GENERIC_WRITE, CREATE_ALWAYS, FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH);
    for (ULONGLONG done = 0; done < total; done += kBlock) {
        DWORD written = 0;
        if (!WriteFile(file.get(), block.get(), kBlock, &written, nullptr) || written != kBlock)
            throw std::runtime_error("cannot write the test file");
    }
    FlushFileBuffers(file.get());
    file.reset();
    return timer.Seconds();
}

double BenchDisk::Read(const std::wstring& strPath, ULONGLONG& nBytes)
{
    UniquePages block = AllocateBlock();
    nBytes = 0;
    BenchTimer timer;
    UniqueFile file = Open(strPath, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), block.get(), kBlock, &got, nullptr))
            throw std::runtime_error("cannot read the test file");
        if (got == 0)
            break;
        nBytes += got;
    }
    file.reset();
    return timer.Seconds();
}
