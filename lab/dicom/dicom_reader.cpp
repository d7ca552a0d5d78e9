// dicom_reader.cpp - the answer is a kind letter (S a slice, E a failure, N
// not DICOM), then the slice or the message, in this machine's byte order:
// the same program writes and reads it.
#include "lab/dicom/dicom_reader.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "lab/dicom/dicom_decode.h"
#include "lab/core/lab_error.h"

namespace lab {

namespace {

// What the reading may allocate beyond what the reader holds at its start:
// the file, the decoded frames (at most 512 MiB) and one frame as doubles,
// with room to spare.
constexpr unsigned long long ReadingMemory = 2048ull << 20;

struct Message {
    std::string bytes;
    size_t at = 0;
    template <typename T> void Put(const T& value) { bytes.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void PutText(const std::string& text) {
        Put(text.size());
        bytes += text;
    }
    template <typename T> T Get() {
        T value;
        if (bytes.size() - at < sizeof value) throw std::out_of_range("short message");
        std::memcpy(&value, bytes.data() + at, sizeof value);
        at += sizeof value;
        return value;
    }
    std::string GetText() {
        const size_t size = Get<size_t>();
        if (bytes.size() - at < size) throw std::out_of_range("short message");
        at += size;
        return bytes.substr(at - size, size);
    }
};

std::string Answer(const std::string& path, int frame) {
    Message message;
    try {
        const DicomSlice slice = DecodeDicomSlice(path, frame);
        message.Put('S');
        message.Put(slice.hu.width);
        message.Put(slice.hu.height);
        message.Put(slice.hu.spacingX);
        message.Put(slice.hu.spacingY);
        message.Put(slice.frames);
        message.PutText(slice.modality);
        message.bytes.append(reinterpret_cast<const char*>(slice.hu.values.data()), slice.hu.values.size() * sizeof(double));
    } catch (const NotDicomError& error) {
        message.Put('N');
        message.PutText(error.what());
    } catch (const LabError& error) {
        message.Put('E');
        message.PutText(error.what());
    } catch (const std::bad_alloc&) {
        message.Put('E');
        message.PutText(path + ": an image too large to read");
    }
    return message.bytes;
}

// Allows `extra` bytes of address space beyond what the process holds now
// (a sanitizer's shadow included), so that a length read from a damaged
// file fails to allocate instead of filling the machine's memory.
void LimitAddressSpace(unsigned long long extra) {
    unsigned long long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm) return;
    const bool read = fscanf(statm, "%llu", &pages) == 1;
    fclose(statm);
    if (!read) return;
    const rlim_t limit = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) + extra;
    const struct rlimit bounds = {limit, limit};
    setrlimit(RLIMIT_AS, &bounds);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::vector<std::string> DicomReaderArguments(const std::string& program, const std::string& path, int frame) {
    return {program, DicomReaderCommand, std::to_string(getpid()), std::to_string(frame), path};
}

int RunDicomReader(int argc, char** argv) {
    if (argc != 5) return 2;
    // Killed with the process that waits for the answer, should it end first.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != static_cast<pid_t>(std::strtol(argv[2], nullptr, 10))) return 2;
    // A crash ends the reader and nothing else, at once: a sanitizer's
    // handlers would report it as their own finding, a core dump take seconds.
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) signal(s, SIG_DFL);
    prctl(PR_SET_DUMPABLE, 0);
    LimitAddressSpace(ReadingMemory);
    const int frame = static_cast<int>(std::strtol(argv[3], nullptr, 10));
    // _exit: the answer is all there is to leave; nothing to flush or free.
    _exit(WriteAll(STDOUT_FILENO, Answer(argv[4], frame)) ? 0 : 3);
}

DicomSlice SliceFromAnswer(const std::string& path, const std::string& answer) {
    Message message{answer};
    try {
        const char kind = message.Get<char>();
        if (kind == 'N') throw NotDicomError(message.GetText());
        if (kind == 'E') throw LabError(message.GetText());
        DicomSlice slice;
        slice.hu.width = message.Get<int>();
        slice.hu.height = message.Get<int>();
        slice.hu.spacingX = message.Get<double>();
        slice.hu.spacingY = message.Get<double>();
        slice.frames = message.Get<int>();
        slice.modality = message.GetText();
        slice.hu.values.resize(static_cast<size_t>(slice.hu.width) * slice.hu.height);
        const size_t size = slice.hu.values.size() * sizeof(double);
        if (message.bytes.size() - message.at != size) throw std::out_of_range("short message");
        std::memcpy(slice.hu.values.data(), message.bytes.data() + message.at, size);
        return slice;
    } catch (const std::out_of_range&) {
        throw LabError(path + ": a damaged DICOM file: GDCM's answer was cut short");
    }
}

}  // namespace lab
