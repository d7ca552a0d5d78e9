// The one rule for every input (input_file.h): each reader of the lab and
// its window refuses a FIFO (which would wait for ever for a writer), a
// device (/dev/zero never ends), a socket, a folder and a link planted by
// another user in a shared folder, in the same words, before reading
// anything; and none reads more than its format can hold.
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tests/lab/lab_test_support.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/measure/canvas_compare.h"
#include "lab/dicom/dicom_slice.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/measure/measured_image.h"
#include "lab/files/picture_file.h"
#include "lab/reconstruct/program_slice.h"
#include "lab/files/slice_files.h"
#include "lab/objects/slice_input.h"

using namespace lab_test;

namespace {

struct Reader {
    const char* name;
    std::function<void(const std::string&)> read;
};

// Every reader of a file by its path, as the commands and the window call them.
const std::vector<Reader>& Readers() {
    static const std::string filter = [] {
        std::string text;
        for (int k = 0; k < 128; ++k) text += "0\n";
        const std::string path = ScratchPath("zero_taps.txt");
        WriteBytes(path, text.data(), text.size());
        return path;
    }();
    static const std::vector<Reader> readers = {
        {"ReadSinogramFile (reconstruct --method, the window)", [](const std::string& p) { lab::ReadSinogramFile(p); }},
        {"ReconstructLikeTheProgram (reconstruct --filter)",
         [](const std::string& p) {
             ReconstructionSession session;
             lab::ReconstructLikeTheProgram(session, p, "");
         }},
        {"the filter of reconstruct --filter",
         [](const std::string& p) {
             ReconstructionSession session;
             lab::CalibrateSums(session, p);
         }},
        {"ReadNpy", [](const std::string& p) { lab::ReadNpy(p); }},
        {"ReadMeasuredImage (measure)", [](const std::string& p) { lab::ReadMeasuredImage(p); }},
        {"LoadSlice (sinogram, the window)", [](const std::string& p) { lab::LoadSlice(p, 1); }},
        {"ReadPictureFile", [](const std::string& p) { lab::ReadPictureFile(p); }},
        {"ReadTruth (compare, the window)", [](const std::string& p) { lab::ReadTruth(p); }},
        {"SliceFromCanvas (compare)", [](const std::string& p) { lab::SliceFromCanvas(p); }},
        {"ReadDicomSlice", [](const std::string& p) { lab::ReadDicomSlice(p, 1); }},
        {"HasDicomPreamble", [](const std::string& p) { lab::HasDicomPreamble(p); }},
    };
    (void)filter;
    return readers;
}

TEST(InputFile, EveryReaderRefusesWhatIsNoPlainFileBeforeReadingIt) {
    const std::string fifo = ScratchPath("input_fifo"), socketPath = ScratchPath("input_socket");
    const std::string missing = ScratchPath("input_missing.npy");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer: opening it to read would wait for ever
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const struct {
        std::string path;
        std::string reason;
    } inputs[] = {
        {fifo, "it is a FIFO (named pipe), not a plain file"},
        {"/dev/zero", "it is a character device, not a plain file"},
        {socketPath, "it is a socket, not a plain file"},
        {ScratchFolder(), "it is a folder, not a file"},
        {missing, "no such file"},
    };
    for (const auto& input : inputs) {
        for (const Reader& reader : Readers()) {
            const std::string failure = Failure([&] { reader.read(input.path); });
            EXPECT_NE(failure.find(": " + input.reason), std::string::npos) << reader.name << " on " << input.path << ": " << failure;
            EXPECT_EQ(failure.rfind("cannot open ", 0), 0u) << reader.name << ": " << failure;
        }
    }
    close(listener);
}

TEST(InputFile, LinksPlantedInSharedFoldersAreNotFollowedToAnInput) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a link that another user owns";
    const std::string shared = ScratchPath("input_shared"), secret = ScratchPath("input_secret.png");
    std::filesystem::create_directory(shared);
    ASSERT_TRUE(QImage(256, 256, QImage::Format_Grayscale8).save(QString::fromStdString(secret)));
    const std::string planted = shared + "/picture.png", own = shared + "/own.png";
    ASSERT_EQ(symlink(secret.c_str(), planted.c_str()), 0);
    ASSERT_EQ(symlink(secret.c_str(), own.c_str()), 0);
    ASSERT_EQ(lchown(planted.c_str(), 4242, 4242), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    for (const Reader& reader : Readers()) {
        const std::string failure = Failure([&] { reader.read(planted); });
        EXPECT_NE(failure.find("belongs to uid 4242"), std::string::npos) << reader.name << ": " << failure;
    }
    EXPECT_EQ(Failure([&] { lab::ReadPictureFile(own); }), "");
}

// A header that states an array larger than the file, or a file far
// larger than its format holds, is refused without reading it whole: these
// files are sparse, 10 GB each.
TEST(InputFile, NoReaderReadsMoreThanItsFormatHolds) {
    const long long huge = 10LL << 30;
    auto sparse = [&](const std::string& name, const std::string& start) {
        const std::string path = ScratchPath(name);
        WriteBytes(path, start.data(), start.size());
        EXPECT_EQ(truncate(path.c_str(), huge), 0);
        return path;
    };
    auto npyHeader = [](const std::string& dict) {
        std::string header = dict;
        while ((10 + header.size() + 1) % 64 != 0) header.push_back(' ');
        header.push_back('\n');
        return std::string("\x93NUMPY\x01\x00", 8) + static_cast<char>(header.size() & 0xff) +
               static_cast<char>(header.size() >> 8) + header;
    };
    const struct {
        const char* what;
        std::function<void()> read;
        std::string failure;  // a part of the message
    } cases[] = {
        {"a .npy of the right header and 10 GB",
         [&] { lab::ReadNpy(sparse("huge.npy", npyHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (256, 256), }"))); },
         "bytes after the array its header describes"},
        {"a .npy whose header states 10^10 values",
         [&] { lab::ReadNpy(sparse("shape.npy", npyHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (100000, 100000), }"))); },
         "an array of shape (100000, 100000); the slice is 256 x 256"},
        {"a .npy header of 4 GB", [&] { lab::ReadNpy(sparse("header.npy", std::string("\x93NUMPY\x02\x00\xff\xff\xff\xff", 12))); },
         "a .npy header of 4294967295 bytes (at most 10000)"},
        {"a picture of 10 GB", [&] { lab::ReadPictureFile(sparse("huge.png", "\x89PNG")); }, "too large for a picture"},
        {"a DICOM file of 10 GB", [&] { lab::ReadDicomSlice(sparse("huge.dcm", std::string(128, '\0') + "DICM"), 1); },
         "too large for a DICOM slice"},
        {"measure on a .npy of 10 GB", [&] { lab::ReadMeasuredImage(ScratchPath("huge.npy")); }, "bytes after the array"},
    };
    for (const auto& c : cases) {
        const std::string failure = Failure(c.read);
        EXPECT_NE(failure.find(c.failure), std::string::npos) << c.what << ": " << failure;
    }
    // A sinogram file is its first 1,049,760 bytes: the rest is ignored,
    // not read.
    const std::string longSinogram = sparse("huge.sino", "");
    EXPECT_EQ(lab::ReadSinogramFile(longSinogram).size(), 729u * 180u);
    for (const char* name : {"huge.npy", "shape.npy", "header.npy", "huge.png", "huge.dcm", "huge.sino"})
        std::filesystem::remove(ScratchPath(name));
}

}  // namespace
