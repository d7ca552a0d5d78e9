// library_messages_test.cpp - reading pictures and DICOM slices on two
// threads leaves standard error to the whole process: what another thread
// writes there while they read reaches it.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "lab/core/lab_error.h"
#include "lab/files/slice_files.h"
#include "lab/objects/slice_input.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

}  // namespace

TEST(LibraryMessages, ReadingOnTwoThreadsLeavesStandardErrorAlone) {
    QTemporaryDir scratch;
    // A PNG whose header's checksum is wrong (libpng says so on standard
    // error), and a DICOM slice.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage picture(8, 8, QImage::Format_Grayscale8);
    picture.fill(128);
    picture.save(&buffer, "PNG");
    png[29] = static_cast<char>(png[29] ^ 0xff);  // the last byte of IHDR's checksum
    WriteFile(scratch.filePath("damaged.png"), png);
    WriteFile(scratch.filePath("slice.dcm"), QByteArray::fromStdString(lab::CtDicomBytes(std::vector<double>(65536, 40.0), 1.0)));
    // Standard error into a file of the test's own, to see what reaches it.
    const QString seen = scratch.filePath("stderr.txt");
    fflush(stderr);
    const int saved = dup(STDERR_FILENO), file = open(qPrintable(seen), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(dup2(file, STDERR_FILENO), 0);
    close(file);

    std::atomic<int> pictures{0}, slices{0};
    std::atomic<bool> done{false};
    auto reading = [&done](const QString& path, std::atomic<int>& reads) {
        for (; !done; ++reads) {
            try {
                lab::LoadSlice(path.toStdString(), 1);
            } catch (const lab::LabError&) {
            }
        }
    };
    std::thread pictureReader(reading, scratch.filePath("damaged.png"), std::ref(pictures));
    std::thread sliceReader(reading, scratch.filePath("slice.dcm"), std::ref(slices));
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

    QFile written(seen);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    for (int k = 0; k < lines; ++k) EXPECT_TRUE(text.contains(QString("line %1 of the main thread\n").arg(k).toUtf8())) << k;
    EXPECT_TRUE(text.contains("libpng error: IHDR: CRC error")) << text.constData();
}
