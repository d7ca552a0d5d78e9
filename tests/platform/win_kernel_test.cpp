// Global memory handles and the file calls.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/win32.h"

namespace {

TEST(KernelMemory, FixedBlocksAreTheirOwnHandle) {
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 60);
    ASSERT_NE(fixed, nullptr);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(fixed));
    EXPECT_EQ(static_cast<void*>(bytes), static_cast<void*>(fixed));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(GlobalHandle(bytes), fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
    // Freed: no longer known, a second free fails by returning the handle.
    EXPECT_EQ(GlobalHandle(bytes), nullptr);
    EXPECT_EQ(GlobalFree(fixed), fixed);
    int local = 0;
    EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(&local)), nullptr);
}

TEST(KernelMemory, MoveableBlocksLockToTheirMemory) {
    HGLOBAL handle = GlobalAlloc(GHND, 40);
    ASSERT_NE(handle, nullptr);
    void* first = GlobalLock(handle);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, static_cast<void*>(handle));
    EXPECT_EQ(GlobalLock(handle), first);
    EXPECT_EQ(GlobalHandle(first), handle);
    EXPECT_TRUE(GlobalUnlock(handle));   // still locked once
    EXPECT_FALSE(GlobalUnlock(handle));  // unlocked
    memset(first, 0xAB, 40);
    EXPECT_EQ(GlobalFree(GlobalHandle(first)), nullptr);
    EXPECT_EQ(GlobalLock(handle), nullptr);
}

std::string ReadAll(const std::string& path) {
    std::string content;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) content.append(buf, n);
    fclose(f);
    return content;
}

void WriteAll(const std::string& path, const char* text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs(text, f);
    fclose(f);
}

HANDLE Open(const std::string& path, DWORD disposition) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Write(HANDLE h, const char* text) {
    DWORD written = 12345;
    BOOL ok = WriteFile(h, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    return ok && written == strlen(text);
}

TEST(KernelFiles, DispositionsBehaveAsInWin32) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string path = dir.path().toStdString() + "/out.bmp";

    // OPEN_ALWAYS over a longer file overwrites from the start, no truncation.
    WriteAll(path, "0123456789");
    HANDLE h = Open(path, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "abc"));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(ReadAll(path), "abc3456789");

    h = Open(path, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "xy"));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(ReadAll(path), "xy");

    EXPECT_EQ(Open(path, CREATE_NEW), INVALID_HANDLE_VALUE);
    h = Open(path, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(ReadAll(path), "");

    std::string missing = dir.path().toStdString() + "/missing.bmp";
    EXPECT_EQ(Open(missing, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(missing, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(missing), "<missing>");
    h = Open(missing, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(ReadAll(missing), "");

    // Closed handles are refused afterwards.
    EXPECT_FALSE(CloseHandle(h));
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(h, "a", 1, &written, nullptr));
    EXPECT_EQ(written, 0u);
}

TEST(KernelFiles, DirectoriesAndBadPathsFail) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string folder = dir.path().toStdString();
    for (DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS, OPEN_EXISTING}) {
        EXPECT_EQ(Open(folder, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(CreateFileA(folder.c_str(), GENERIC_READ, 0, nullptr, disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Open(folder + "/no/such/dir/x.bmp", CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("", CREATE_ALWAYS), INVALID_HANDLE_VALUE);
}

TEST(KernelStrings, LstrcpyCopiesWithTheTerminator) {
    char face[32];
    memset(face, 'x', sizeof(face));
    EXPECT_EQ(lstrcpyA(face, "\x95\x57\x8F\x80"), face);
    EXPECT_EQ(memcmp(face, "\x95\x57\x8F\x80", 5), 0);
    EXPECT_EQ(face[5], 'x');
}

}  // namespace
