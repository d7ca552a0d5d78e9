// library_messages_test.cpp - reading pictures and DICOM slices on two
// threads leaves standard error to the whole process: what another thread
// writes there while they read reaches it.
#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "tools/lab/lab_error.h"
#include "tools/lab/slice_files.h"
#include "tools/lab/slice_input.h"

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A PNG whose header's checksum is wrong: libpng says so on standard error.
std::string DamagedPng() {
    QImage image(8, 8, QImage::Format_Grayscale8);
    image.fill(128);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    bytes[29] = static_cast<char>(bytes[29] ^ 0xff);  // the last byte of IHDR's checksum
    return bytes.toStdString();
}

}  // namespace

TEST(LibraryMessages, ReadingOnTwoThreadsLeavesStandardErrorAlone) {
    QTemporaryDir scratch;
    const std::string png = scratch.filePath("damaged.png").toStdString();
    const std::string dcm = scratch.filePath("slice.dcm").toStdString();
    WriteFile(png, DamagedPng());
    WriteFile(dcm, lab::CtDicomBytes(std::vector<double>(256 * 256, 40.0), 1.0));
    // Standard error into a file of the test's own, to see what reaches it.
    const std::string seen = scratch.filePath("stderr.txt").toStdString();
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open(seen.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(dup2(file, STDERR_FILENO), 0);
    close(file);

    std::atomic<int> pictures{0}, slices{0};
    std::atomic<bool> done{false};
    auto reading = [&done](const std::string& path, std::atomic<int>& reads) {
        while (!done) {
            try {
                lab::LoadSlice(path, 1);
            } catch (const lab::LabError&) {
            }
            ++reads;
        }
    };
    std::thread pictureReader(reading, png, std::ref(pictures)), sliceReader(reading, dcm, std::ref(slices));
    // A line of this thread's after each read, on either thread.
    int lines = 0;
    while (pictures < 20 || slices < 3) {
        const int before = pictures + slices;
        dprintf(STDERR_FILENO, "line %d of the main thread\n", lines++);
        while (pictures + slices == before) std::this_thread::yield();
    }
    done = true;
    pictureReader.join();
    sliceReader.join();
    dup2(saved, STDERR_FILENO);
    close(saved);

    const std::string text = ReadFile(seen);
    for (int k = 0; k < lines; ++k)
        EXPECT_NE(text.find("line " + std::to_string(k) + " of the main thread\n"), std::string::npos) << k;
    EXPECT_NE(text.find("libpng error: IHDR: CRC error"), std::string::npos) << text;
}
