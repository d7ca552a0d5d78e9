// DICOM CT slices written here with GDCM: stored values through slope and
// intercept to Hounsfield units and on to attenuation, the pixel spacing,
// signed and unsigned, stored bits, compressed transfer syntaxes, frames,
// and files the tool must refuse.
#include <gdcmAttribute.h>
#include <gdcmImage.h>
#include <gdcmImageChangeTransferSyntax.h>
#include <gdcmImageWriter.h>
#include <gdcmMediaStorage.h>
#include <gdcmSequenceOfFragments.h>
#include <gdcmTrace.h>
#include <gdcmUIDGenerator.h>
#include <gdcmWriter.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/lab/lab_test_support.h"
#include "lab/dicom/dicom_slice.h"
#include "lab/core/lab_error.h"
#include "lab/objects/slice_input.h"

using namespace lab_test;

namespace {

struct SliceRecipe {
    int width = 4, height = 3, frames = 1;
    bool isSigned = true;
    int bitsStored = 16;
    double slope = 1.0, intercept = 0.0;
    double spacingX = 0.5, spacingY = 0.75;
    gdcm::TransferSyntax::TSType syntax = gdcm::TransferSyntax::ExplicitVRLittleEndian;
};

// A CT image (CT Image Storage) with 16-bit pixels `stored`, frame after frame.
void WriteSlice(const std::string& path, const SliceRecipe& recipe, const std::vector<uint16_t>& stored) {
    gdcm::Trace::WarningOff();
    // The writer keeps a counted reference to the image: it lives on the heap.
    gdcm::SmartPointer<gdcm::Image> held = new gdcm::Image;
    gdcm::Image& image = *held;
    image.SetNumberOfDimensions(recipe.frames > 1 ? 3 : 2);
    image.SetDimension(0, recipe.width);
    image.SetDimension(1, recipe.height);
    if (recipe.frames > 1) image.SetDimension(2, recipe.frames);
    gdcm::PixelFormat format(recipe.isSigned ? gdcm::PixelFormat::INT16 : gdcm::PixelFormat::UINT16);
    format.SetBitsStored(recipe.bitsStored);
    format.SetHighBit(recipe.bitsStored - 1);
    image.SetPixelFormat(format);
    image.SetPhotometricInterpretation(gdcm::PhotometricInterpretation::MONOCHROME2);
    image.SetSpacing(0, recipe.spacingX);
    image.SetSpacing(1, recipe.spacingY);
    image.SetSlope(recipe.slope);
    image.SetIntercept(recipe.intercept);
    gdcm::DataElement pixels(gdcm::Tag(0x7fe0, 0x0010));
    pixels.SetByteValue(reinterpret_cast<const char*>(stored.data()), static_cast<uint32_t>(stored.size() * 2));
    image.SetDataElement(pixels);
    image.SetTransferSyntax(gdcm::TransferSyntax::ExplicitVRLittleEndian);

    gdcm::ImageWriter writer;
    if (recipe.syntax != gdcm::TransferSyntax::ExplicitVRLittleEndian) {
        gdcm::ImageChangeTransferSyntax change;
        change.SetTransferSyntax(recipe.syntax);
        change.SetInput(image);
        ASSERT_TRUE(change.Change()) << "GDCM cannot encode " << gdcm::TransferSyntax::GetTSString(recipe.syntax);
        writer.SetImage(change.GetOutput());
    } else {
        writer.SetImage(image);
    }
    gdcm::DataSet& data = writer.GetFile().GetDataSet();
    gdcm::Attribute<0x0008, 0x0016> sopClass;
    sopClass.SetValue(gdcm::MediaStorage::GetMSString(gdcm::MediaStorage::CTImageStorage));
    data.Replace(sopClass.GetAsDataElement());
    gdcm::Attribute<0x0008, 0x0060> modality = {"CT"};
    data.Replace(modality.GetAsDataElement());
    writer.SetFileName(path.c_str());
    ASSERT_TRUE(writer.Write());
}

std::string FailureOf(const std::string& path, int frame = 1) {
    try {
        lab::ReadDicomSlice(path, frame);
    } catch (const lab::LabError& error) {
        return error.what();
    }
    return "";
}

TEST(DicomSlice, StoredValuesBecomeHounsfieldUnitsAndAttenuation) {
    // Signed 16-bit, slope 2 and intercept -1024: air, water, bone.
    SliceRecipe recipe;
    recipe.slope = 2.0;
    recipe.intercept = -1024.0;
    const std::vector<int16_t> signedValues = {-500, 0, 12, 262, 512, 1524, 1012, 0, -1, 2000, 100, 400};
    std::vector<uint16_t> stored(signedValues.begin(), signedValues.end());
    const std::string path = ScratchPath("signed.dcm");
    WriteSlice(path, recipe, stored);
    ASSERT_TRUE(lab::HasDicomPreamble(path));
    const lab::DicomSlice slice = lab::ReadDicomSlice(path, 1);
    ASSERT_EQ(slice.hu.width, 4);
    ASSERT_EQ(slice.hu.height, 3);
    EXPECT_EQ(slice.frames, 1);
    EXPECT_DOUBLE_EQ(slice.hu.spacingX, 0.5);   // between columns
    EXPECT_DOUBLE_EQ(slice.hu.spacingY, 0.75);  // between rows
    for (size_t k = 0; k < signedValues.size(); ++k) EXPECT_DOUBLE_EQ(slice.hu.values[k], signedValues[k] * 2.0 - 1024.0) << k;

    EXPECT_DOUBLE_EQ(lab::RelativeMuFromHu(-1000.0), 0.0);
    EXPECT_DOUBLE_EQ(lab::RelativeMuFromHu(-2024.0), 0.0);  // below air: clamped
    EXPECT_DOUBLE_EQ(lab::RelativeMuFromHu(0.0), 1.0);
    EXPECT_DOUBLE_EQ(lab::RelativeMuFromHu(1000.0), 2.0);
    // Through the loader: attenuation, air below the air value included.
    const lab::LoadedSlice loaded = lab::LoadSlice(path, 1);
    EXPECT_TRUE(loaded.isDicom);
    EXPECT_DOUBLE_EQ(loaded.mu.values[0], 0.0);                 // -2024 HU
    EXPECT_DOUBLE_EQ(loaded.mu.values[4], 1.0);                 // 0 HU
    EXPECT_DOUBLE_EQ(loaded.mu.values[5], 1.0 + 2024.0 / 1000.0);  // 2024 HU
    // The spacing makes the slice 2 mm x 2.25 mm: the default field is the
    // larger side, and a 4.5 mm field holds it at half that width.
    EXPECT_NEAR(lab::FieldFromSlice(loaded, 0.0).pixelMm * 256, 2.25, 1e-12);
    EXPECT_NEAR(lab::FieldFromSlice(loaded, 4.5).pixelMm, 4.5 / 256, 1e-12);
}

TEST(DicomSlice, UnsignedTwelveBitsCompressedAndFrames) {
    // Unsigned, 12 of 16 bits stored, intercept -1024 (stored 1024 = water),
    // 16 x 16 pixels with every stored level from 0 to 4095 at least once
    // in a column or row.
    SliceRecipe recipe;
    recipe.width = 16;
    recipe.height = 16;
    recipe.isSigned = false;
    recipe.bitsStored = 12;
    recipe.intercept = -1024.0;
    std::vector<uint16_t> stored(256);
    for (size_t k = 0; k < stored.size(); ++k) stored[k] = static_cast<uint16_t>((k * 4093 + (k % 3) * 1024) % 4096);
    stored[0] = 0;
    stored[255] = 4095;
    for (const auto syntax : {gdcm::TransferSyntax::ExplicitVRLittleEndian, gdcm::TransferSyntax::ImplicitVRLittleEndian,
                              gdcm::TransferSyntax::RLELossless, gdcm::TransferSyntax::JPEGLosslessProcess14_1,
                              gdcm::TransferSyntax::JPEGLSLossless, gdcm::TransferSyntax::JPEG2000Lossless}) {
        recipe.syntax = syntax;
        const std::string name = gdcm::TransferSyntax::GetTSString(syntax);
        const std::string path = ScratchPath("unsigned_" + std::to_string(static_cast<int>(syntax)) + ".dcm");
        WriteSlice(path, recipe, stored);
        const lab::DicomSlice slice = lab::ReadDicomSlice(path, 1);
        ASSERT_EQ(slice.hu.values.size(), stored.size()) << name;
        for (size_t k = 0; k < stored.size(); ++k) ASSERT_DOUBLE_EQ(slice.hu.values[k], stored[k] - 1024.0) << name << " " << k;
    }

    // Three frames; each frame's own values, and no fourth frame.
    recipe = SliceRecipe();
    recipe.frames = 3;
    std::vector<uint16_t> frames(36);
    for (size_t k = 0; k < frames.size(); ++k) frames[k] = static_cast<uint16_t>(100 * (k / 12) + k % 12);
    const std::string path = ScratchPath("frames.dcm");
    WriteSlice(path, recipe, frames);
    const lab::DicomSlice second = lab::ReadDicomSlice(path, 2);
    EXPECT_EQ(second.frames, 3);
    EXPECT_DOUBLE_EQ(second.hu.values[0], 100.0);
    EXPECT_DOUBLE_EQ(second.hu.values[11], 111.0);
    EXPECT_EQ(FailureOf(path, 4), path + ": frame 4 does not exist (the file has 3 frames)");
}

TEST(DicomSlice, FilesWithoutUsablePixelsAreRefused) {
    // A DICOM file with a patient but no image.
    const std::string empty = ScratchPath("no_pixels.dcm");
    {
        gdcm::Writer writer;
        gdcm::DataSet& data = writer.GetFile().GetDataSet();
        gdcm::Attribute<0x0008, 0x0016> sopClass;
        sopClass.SetValue(gdcm::MediaStorage::GetMSString(gdcm::MediaStorage::CTImageStorage));
        data.Replace(sopClass.GetAsDataElement());
        gdcm::UIDGenerator uids;
        gdcm::Attribute<0x0008, 0x0018> instance;
        instance.SetValue(uids.Generate());
        data.Replace(instance.GetAsDataElement());
        gdcm::Attribute<0x0010, 0x0010> patient = {"Doe^Jane"};
        data.Replace(patient.GetAsDataElement());
        writer.GetFile().GetHeader().SetDataSetTransferSyntax(gdcm::TransferSyntax::ExplicitVRLittleEndian);
        writer.SetFileName(empty.c_str());
        ASSERT_TRUE(writer.Write());
    }
    ASSERT_TRUE(lab::HasDicomPreamble(empty));
    EXPECT_EQ(FailureOf(empty), empty + ": a DICOM file without pixel data");
    try {
        lab::LoadSlice(empty, 1);
        ADD_FAILURE() << "a file without pixel data was loaded";
    } catch (const lab::LabError& error) {
        EXPECT_EQ(std::string(error.what()), empty + ": a DICOM file without pixel data");
    }

    // Pixel data in a codec GDCM reads but cannot decode (MPEG-2 video).
    const std::string video = ScratchPath("mpeg2.dcm");
    {
        gdcm::SmartPointer<gdcm::Image> held = new gdcm::Image;
        gdcm::Image& image = *held;
        image.SetNumberOfDimensions(2);
        image.SetDimension(0, 16);
        image.SetDimension(1, 16);
        image.SetPixelFormat(gdcm::PixelFormat::UINT8);
        image.SetPhotometricInterpretation(gdcm::PhotometricInterpretation::MONOCHROME2);
        gdcm::SmartPointer<gdcm::SequenceOfFragments> fragments = new gdcm::SequenceOfFragments;
        gdcm::Fragment fragment;
        // The text and its zero byte: an even length, as fragments have.
        static const char notAVideo[] = "\x00\x00\x01\xb3 not really a video";
        fragment.SetByteValue(notAVideo, sizeof notAVideo);
        fragments->AddFragment(fragment);
        gdcm::DataElement pixels(gdcm::Tag(0x7fe0, 0x0010));
        pixels.SetVR(gdcm::VR::OB);
        pixels.SetValue(*fragments);
        image.SetDataElement(pixels);
        image.SetTransferSyntax(gdcm::TransferSyntax::MPEG2MainProfile);
        gdcm::ImageWriter writer;
        writer.SetImage(image);
        gdcm::Attribute<0x0008, 0x0016> sopClass;
        sopClass.SetValue(gdcm::MediaStorage::GetMSString(gdcm::MediaStorage::SecondaryCaptureImageStorage));
        writer.GetFile().GetDataSet().Replace(sopClass.GetAsDataElement());
        writer.SetFileName(video.c_str());
        ASSERT_TRUE(writer.Write());
    }
    EXPECT_EQ(FailureOf(video).rfind(video + ": pixel data in a transfer syntax GDCM cannot decode (", 0), 0u) << FailureOf(video);

    // A preamble and nothing DICOM after it.
    const std::string junk = ScratchPath("junk.dcm");
    std::string bytes(128, '\0');
    bytes += "DICM";
    bytes += std::string(64, '\xff');
    FILE* file = fopen(junk.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    EXPECT_NE(FailureOf(junk), "");
}

// pydicom's test files (Debian's python3-pydicom), when installed.
const std::string PydicomFiles = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

TEST(DicomSlice, CutShortBigEndianAndOtherModalitiesAreToldApart) {
    // A slice whose last 6 bytes of pixel data are missing.
    const std::string whole = ScratchPath("whole.dcm"), cut = ScratchPath("cut.dcm");
    WriteSlice(whole, SliceRecipe(), std::vector<uint16_t>(12, 7));
    const std::string bytes = FileBytes(whole);
    WriteBytes(cut, bytes.data(), bytes.size() - 6);
    EXPECT_EQ(FailureOf(whole), "");
    EXPECT_EQ(FailureOf(cut), cut + ": the pixel data are cut short (the image needs 24 bytes)");
    if (!std::filesystem::exists(PydicomFiles)) GTEST_SKIP() << "python3-pydicom is not installed";

    const struct {
        const char* file;
        std::string said;  // the start of the failure, or a part of the description
    } cases[] = {
        {"MR_truncated.dcm", ": the pixel data are cut short (the image needs 8192 bytes)"},
        {"rtdose_1frame.dcm", ": a damaged DICOM file: GDCM stopped by signal 6"},  // an assertion in GDCM
        {"rtplan_truncated.dcm", ": a damaged DICOM file: unreadable after element (300a,0070)"},
        {"MR_small.dcm", "MR image, not CT: values taken as Hounsfield units"},
        {"JPEG2000.dcm", "NM image, not CT"},
        {"rtdose.dcm", "RTDOSE image, not CT"},
        {"CT_small.dcm", "0.661 x 0.661 mm pixels"},
    };
    for (const auto& c : cases) {
        const std::string path = PydicomFiles + c.file;
        try {
            const std::string description = lab::LoadSlice(path, 1).description;
            EXPECT_NE(description.find(c.said), std::string::npos) << c.file << ": " << description;
            EXPECT_EQ(description.find("not CT") != std::string::npos, std::string(c.file) != "CT_small.dcm") << c.file;
        } catch (const lab::LabError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(path + c.said, 0), 0u) << error.what();
        }
    }
    // 32-bit pixels: big-endian and RLE read as little-endian does.
    for (const int frame : {1, 15}) {
        const lab::DicomSlice little = lab::ReadDicomSlice(PydicomFiles + "rtdose.dcm", frame);
        EXPECT_EQ(lab::ReadDicomSlice(PydicomFiles + "rtdose_expb.dcm", frame).hu.values, little.hu.values) << frame;
        EXPECT_EQ(lab::ReadDicomSlice(PydicomFiles + "rtdose_rle.dcm", frame).hu.values, little.hu.values) << frame;
    }
}

TEST(DicomSlice, ReadWhileAnotherThreadHoldsStandardError) {
    // GDCM's JPEG decoder prints as it reads this one: a reader that
    // inherited the held lock (a forked copy of this process) would wait
    // for it until its time ran out.
    const std::string jpeg = PydicomFiles + "JPEG-lossy.dcm";
    if (!std::filesystem::exists(jpeg)) GTEST_SKIP() << "python3-pydicom is not installed";
    std::promise<void> held, read;
    std::thread holder([&held, done = read.get_future()] {
        flockfile(stderr);
        held.set_value();
        done.wait_for(std::chrono::seconds(20));
        funlockfile(stderr);
    });
    held.get_future().wait();
    const auto started = std::chrono::steady_clock::now();
    const lab::DicomSlice slice = lab::ReadDicomSlice(jpeg, 1);
    const auto took = std::chrono::steady_clock::now() - started;
    read.set_value();
    holder.join();
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_FALSE(slice.hu.values.empty());
}

TEST(DicomSlice, DamagedCopiesNeverEndTheTool) {
    const std::string original = PydicomFiles + "CT_small.dcm";
    if (!std::filesystem::exists(original)) GTEST_SKIP() << "python3-pydicom is not installed";
    const std::string bytes = FileBytes(original);
    // Bytes changed in the header and element lengths, where GDCM asserts:
    // some copies must stop it, which read in this process would end the test.
    std::mt19937 random(17);
    int read = 0, stopped = 0;
    for (int copy = 0; copy < 100; ++copy) {
        std::string mutated = bytes;
        for (int i = 0; i <= copy % 4; ++i) mutated[128 + random() % 1200] = static_cast<char>(random() % 256);
        const std::string path = ScratchPath("mutated.dcm");
        WriteBytes(path, mutated.data(), copy % 10 == 9 ? mutated.size() / 2 : mutated.size());
        try {
            lab::LoadSlice(path, 1);
            ++read;
        } catch (const lab::LabError& error) {
            stopped += std::string(error.what()).find("GDCM stopped by signal") != std::string::npos;
        }
    }
    EXPECT_GT(read, 0);
    EXPECT_GT(stopped, 0);
}

}  // namespace
