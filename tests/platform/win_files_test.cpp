// Files: the creation dispositions, what a path is (without waiting on a
// named pipe), temporary files, replacing, deleting and listing, and system
// calls made to fail through the layer's table.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/os_calls.h"
#include "platform/win32.h"
#include "tests/support/time_limit.h"

namespace {

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

// What a path is: attributes without opening, the type of a handle whose
// open never waits - a named pipe without a writer included.
TEST(KernelFiles, KindsOfPathsAreToldWithoutWaiting) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string plain = folder + "/plain.txt", pipe = folder + "/pipe";
    WriteAll(plain, "12345");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);

    EXPECT_EQ(GetFileAttributesA(plain.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA(pipe.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DEVICE));
    EXPECT_EQ(GetFileAttributesA("/dev/null"), static_cast<DWORD>(FILE_ATTRIBUTE_DEVICE));
    EXPECT_EQ(GetFileAttributesA((folder + "/missing").c_str()), INVALID_FILE_ATTRIBUTES);
    chmod(plain.c_str(), 0444);
    EXPECT_EQ(GetFileAttributesA(plain.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

    HANDLE file = CreateFileA(plain.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 5u);
    EXPECT_EQ(high, 0u);
    CloseHandle(file);

    EXPECT_FINISHES_WITHIN(10, {
        HANDLE reader = CreateFileA(pipe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetFileType(reader), static_cast<DWORD>(FILE_TYPE_PIPE));
        CloseHandle(reader);
        // Writing into a pipe nobody reads fails at once.
        EXPECT_EQ(CreateFileA(pipe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        HANDLE device = CreateFileA("/dev/null", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(GetFileType(device), static_cast<DWORD>(FILE_TYPE_CHAR));
        CloseHandle(device);
    });
}

// Temporary names, moving, replacing through a link with the replaced
// file's permissions, deleting (never a file held open exclusively, a link
// itself rather than what it names) and listing.
TEST(KernelFiles, TemporaryFilesReplaceAndDelete) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();

    char first[512], second[512];
    ASSERT_NE(GetTempFileNameA(folder.c_str(), "~snX", 0, first), 0u);
    ASSERT_NE(GetTempFileNameA(folder.c_str(), "~sn", 0, second), 0u);
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_EQ(std::string(first).rfind(folder + "/~sn", 0), 0u) << first;
    EXPECT_EQ(strlen(first), folder.size() + 12) << first;
    EXPECT_EQ(ReadAll(first), "");  // the name is reserved by an empty file

    std::set<std::string> listed;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((folder + "/~sn????.TMP").c_str(), &found);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    do listed.insert(folder + "/" + found.cFileName);
    while (FindNextFileA(listing, &found));
    EXPECT_TRUE(FindClose(listing));
    EXPECT_EQ(listed, (std::set<std::string>{first, second}));
    EXPECT_EQ(FindFirstFileA((folder + "/*.bmp").c_str(), &found), INVALID_HANDLE_VALUE);

    // A new name, then no replacing without MOVEFILE_REPLACE_EXISTING.
    const std::string target = folder + "/target.txt";
    WriteAll(first, "one");
    EXPECT_TRUE(MoveFileExA(first, target.c_str(), MOVEFILE_WRITE_THROUGH));
    WriteAll(second, "two");
    EXPECT_FALSE(MoveFileExA(second, target.c_str(), MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(ReadAll(target), "one");

    // Through a link: the link stays, the file it names is replaced and
    // keeps its permissions.
    const std::string link = folder + "/link.txt";
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    chmod(target.c_str(), 0640);
    chmod(second, 0600);
    EXPECT_TRUE(ReplaceFileA(link.c_str(), second, nullptr, 0, nullptr, nullptr));
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadAll(link), "two");
    EXPECT_EQ(ReadAll(second), "<missing>");

    HANDLE probe = CreateFileA(link.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(probe, INVALID_HANDLE_VALUE);
    char final[512];
    EXPECT_EQ(GetFinalPathNameByHandleA(probe, final, sizeof final, FILE_NAME_NORMALIZED), target.size());
    EXPECT_EQ(std::string(final), target);
    EXPECT_EQ(GetFinalPathNameByHandleA(probe, final, 4, FILE_NAME_NORMALIZED), target.size() + 1);
    CloseHandle(probe);

    // Held open exclusively: neither deleted nor opened exclusively again.
    HANDLE held = Open(target, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(target, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(target, CREATE_ALWAYS), INVALID_HANDLE_VALUE);  // and not emptied
    EXPECT_FALSE(DeleteFileA(target.c_str()));
    CloseHandle(held);
    EXPECT_TRUE(DeleteFileA(link.c_str()));
    EXPECT_EQ(ReadAll(target), "two");
    EXPECT_TRUE(DeleteFileA(target.c_str()));
    EXPECT_EQ(ReadAll(target), "<missing>");
    EXPECT_FALSE(DeleteFileA(folder.c_str()));
}

// Every system call of the file functions can be made to fail by a test.
TEST(KernelFiles, SystemCallsCanBeMadeToFail) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.path().toStdString() + "/out.txt";
    HANDLE h = Open(path, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    // A disk that fills up after 3 bytes: the write reports how far it got.
    PlatformOsCalls.write = [](int fd, const void* buffer, size_t bytes) -> ssize_t {
        if (lseek(fd, 0, SEEK_CUR) >= 3) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, buffer, bytes < 3 ? bytes : 3);
    };
    PlatformOsCalls.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h, "abcdef", 6, &written, nullptr));
    EXPECT_EQ(written, 3u);
    EXPECT_FALSE(FlushFileBuffers(h));
    PlatformRestoreOsCalls();
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(ReadAll(path), "abc");
}

}  // namespace
