#pragma once
// The disk's own sequential speed: one big file written and read in large
// aligned blocks past the system cache where the system allows it, which is
// the most a copy onto or from that disk can reach.

#include <windows.h>

#include <string>

class BenchDisk {
public:
    // Writes nMegabytes MiB into the file (created or replaced) and flushes
    // it to the disk; the seconds that took.
    static double Write(const std::wstring& strPath, int nMegabytes);
    // Reads the whole file; the seconds that took, and its size.
    static double Read(const std::wstring& strPath, ULONGLONG& nBytes);

    // A multiple of every sector size, as unbuffered transfers need.
    static const DWORD kBlock = 4 * 1024 * 1024;
};
