// The slice files and the sinogram file as read: a .npy header read as the
// format defines it (a Python dict literal of exactly descr, fortran_order
// and shape), not searched for text; a sinogram file by the README's one
// rule, the same for every method of `reconstruct`.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/lab/lab_test_support.h"
#include "recon/compute/reconstruction_session.h"
#include "lab/commands/commands.h"
#include "lab/core/lab_error.h"
#include "lab/files/output_files.h"
#include "lab/objects/phantoms.h"
#include "lab/reconstruct/program_slice.h"
#include "lab/files/slice_files.h"

using namespace lab_test;

namespace {

// A .npy file of `version` with `header` (padded as NumPy pads it) and the
// slice's 256 x 256 doubles, plus `extra` bytes.
std::string NpyFile(const std::string& header, int version = 1, size_t extra = 0) {
    std::string text = header;
    const size_t fixed = version == 1 ? 10 : 12;
    while ((fixed + text.size() + 1) % 64 != 0) text.push_back(' ');
    text.push_back('\n');
    std::string bytes = std::string("\x93NUMPY", 6) + static_cast<char>(version) + '\0';
    for (size_t i = 0; i < fixed - 8; ++i) bytes.push_back(static_cast<char>((text.size() >> (8 * i)) & 0xff));
    bytes += text;
    std::vector<double> values(256 * 256);
    for (size_t k = 0; k < values.size(); ++k) values[k] = static_cast<double>(k % 256) + 0.25 * static_cast<double>(k / 256);
    for (double v : values) {  // little-endian doubles
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(bits >> (8 * i)));
    }
    return bytes + std::string(extra, '\0');
}

TEST(SliceFiles, NpyHeadersAreReadAsTheFormatDefinesThem) {
    const std::string c = "'descr': '<f8', 'fortran_order': False, 'shape': (256, 256)";
    const struct {
        const char* what;
        std::string bytes;
        std::string failure;  // after "PATH: "; "" read
    } cases[] = {
        {"NumPy's own", NpyFile("{" + c + ", }"), ""},
        {"what the lab writes", lab::NpyBytes(std::vector<double>(256 * 256, 1.0)), ""},
        {"keys in another order, double quotes, no last comma",
         NpyFile("{\"shape\": (256,256), \"fortran_order\": False, \"descr\": \"<f8\"}"), ""},
        {"white space of every kind", NpyFile("{ 'descr' :'<f8' ,\t'fortran_order':False,\n'shape':( 256 , 256 , ) }"), ""},
        {"version 2.0", NpyFile("{" + c + ", }", 2), ""},
        {"version 3.0", NpyFile("{" + c + ", }", 3), ""},
        {"'<d' for float64", NpyFile("{'descr': '<d', 'fortran_order': False, 'shape': (256, 256)}"), ""},
        // fortran_order True hidden behind another key's value.
        {"a key hidden in another's value",
         NpyFile("{'descr': '<f8', 'note': \"'fortran_order': False\", 'fortran_order': True, 'shape': (256, 256)}"),
         "an unknown key 'note' in its header (a .npy header holds descr, fortran_order and shape)"},
        {"fortran_order given twice",
         NpyFile("{'descr': '<f8', 'fortran_order': False, 'fortran_order': True, 'shape': (256, 256)}"),
         "the key 'fortran_order' twice in its header"},
        {"Fortran order", NpyFile("{'descr': '<f8', 'fortran_order': True, 'shape': (256, 256)}"),
         "a Fortran-ordered array; save it in C order"},
        {"fortran_order as text", NpyFile("{'descr': '<f8', 'fortran_order': 'False', 'shape': (256, 256)}"),
         "a fortran_order that is neither True nor False"},
        {"no shape", NpyFile("{'descr': '<f8', 'fortran_order': False}"), "no 'shape' in its header"},
        {"float32", NpyFile("{'descr': '<f4', 'fortran_order': False, 'shape': (256, 256)}"),
         "not an array of little-endian float64"},
        {"big-endian", NpyFile("{'descr': '>f8', 'fortran_order': False, 'shape': (256, 256)}"),
         "not an array of little-endian float64"},
        {"a record dtype", NpyFile("{'descr': [('a', '<f8')], 'fortran_order': False, 'shape': (256, 256)}"),
         "a .npy header that is not a Python dictionary of the format's kind"},
        {"one dimension", NpyFile("{'descr': '<f8', 'fortran_order': False, 'shape': (65536,)}"),
         "an array of shape (65536,); the slice is 256 x 256"},
        {"three dimensions", NpyFile("{'descr': '<f8', 'fortran_order': False, 'shape': (1, 256, 256)}"),
         "an array of shape (1, 256, 256); the slice is 256 x 256"},
        {"a number in brackets, not a tuple", NpyFile("{'descr': '<f8', 'fortran_order': False, 'shape': (256)}"),
         "a shape that is not a tuple"},
        {"a shape in a list", NpyFile("{'descr': '<f8', 'fortran_order': False, 'shape': [256, 256]}"),
         "a .npy header that is not a Python dictionary of the format's kind"},
        {"text after the dictionary", NpyFile("{" + c + "} {}"), "text after the dictionary in its header"},
        {"no closing brace", NpyFile("{" + c + ","), "a .npy header that is not a Python dictionary"},
        {"version 4.0", NpyFile("{" + c + "}", 4), "a .npy file of version 4.0 (versions 1.0, 2.0 and 3.0 are read)"},
        {"data cut short", NpyFile("{" + c + "}").substr(0, 100000), "the array data are truncated"},
        {"bytes after the array", NpyFile("{" + c + "}", 1, 8), "8 bytes after the array its header describes"},
        {"a header cut short", NpyFile("{" + c + "}").substr(0, 40), "a truncated .npy header"},
        {"not NumPy", std::string("P5\n256 256\n255\n"), "not a NumPy .npy file"},
    };
    const std::string path = ScratchPath("header.npy");
    for (const auto& c : cases) {
        WriteBytes(path, c.bytes.data(), c.bytes.size());
        std::vector<double> values;
        const std::string failure = Failure([&] { values = lab::ReadNpy(path); });
        if (c.failure.empty()) {
            EXPECT_EQ(failure, "") << c.what;
            if (failure.empty() && std::string(c.what) != "what the lab writes") {
                EXPECT_EQ(values[3], 3.0) << c.what;
                EXPECT_EQ(values[256 * 2 + 1], 1.5) << c.what;
            }
        } else {
            EXPECT_EQ(failure.substr(0, path.size() + 2 + c.failure.size()), path + ": " + c.failure) << c.what;
        }
    }
}

// README: a sinogram file is 1,049,760 bytes; bytes after them are ignored,
// a shorter file is refused. The same for `reconstruct --filter`/--simple
// (the program's steps) and --method (the lab's), and for the window.
TEST(SliceFiles, ASinogramFileHasOneRuleForEveryMethod) {
    std::vector<double> integrals = lab::ProjectPhantom(lab::MakePhantom("disc"));
    for (double& p : integrals) p *= 0.02;
    const std::string whole = lab::SinogramFileBytes(integrals);
    const struct {
        const char* what;
        std::string bytes;
        bool read;
    } cases[] = {
        {"exactly 1,049,760 bytes", whole, true},
        {"one byte more", whole + "x", true},
        {"a megabyte more", whole + std::string(1 << 20, '\x7f'), true},
        {"one byte less", whole.substr(0, whole.size() - 1), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        const std::string path = ScratchPath("rule.sino");
        WriteBytes(path, c.bytes.data(), c.bytes.size());
        std::vector<double> values;
        const std::string lab = Failure([&] { values = lab::ReadSinogramFile(path); });
        const std::string program = Failure([&] {
            ReconstructionSession session;
            lab::ReconstructLikeTheProgram(session, path, "");
        });
        lab::ReconstructOptions options;
        options.sinogram = path;
        options.method = "sirt";
        options.iterations = 1;
        options.outputs = {ScratchPath("rule.npy")};
        const std::string iterative = Failure([&] { lab::RunReconstructCommand(options); });
        EXPECT_EQ(lab.empty(), c.read) << c.what << ": " << lab;
        EXPECT_EQ(program.empty(), c.read) << c.what << ": " << program;
        EXPECT_EQ(iterative.empty(), c.read) << c.what << ": " << iterative;
        if (c.read) {
            EXPECT_EQ(values, integrals) << c.what;
        } else {
            EXPECT_EQ(lab, program) << c.what;
            EXPECT_EQ(lab, iterative) << c.what;
            EXPECT_NE(lab.find("bytes; a sinogram file holds at least 1049760 (729 x 180 doubles)"), std::string::npos) << lab;
        }
    }
}

}  // namespace
