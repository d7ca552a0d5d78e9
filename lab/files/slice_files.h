// slice_files.h - the 256 x 256 slice in the files a reconstruction writes
// and measurements read: NumPy arrays, 8-bit grey pictures and DICOM CT
// images; and the sinogram file it starts from. Every reader throws
// LabError naming the file and what is wrong with it.
#pragma once

#include <string>
#include <vector>

class QImage;

namespace lab {

// A sinogram file: 729 x 180 little-endian doubles in file order, its first
// 1,049,760 bytes (what follows them is ignored, as the program ignores it);
// a shorter file, or a value that is no line integral (LineIntegralProblem,
// option_bounds.h: the first, by channel and angle), is refused. The file is
// read under the rule of input_file.h.
std::vector<double> ReadSinogramFile(const std::string& path);

// A NumPy .npy file of 256 x 256 little-endian float64 ("<f8", C order,
// rows top to bottom), as bytes; throws for a value that is not a finite
// number.
std::string NpyBytes(const std::vector<double>& rowsTopFirst);
// Any .npy file (versions 1.0 to 3.0) holding a 256 x 256 array of
// little-endian float64 in C order, every value finite, and nothing after
// it. Its header is read as the format defines it, a Python dict literal
// with exactly the keys descr, fortran_order and shape: an unknown or
// repeated key, or a value of another kind, is refused.
std::vector<double> ReadNpy(const std::string& path);

// Grey levels 0..255 as an 8-bit picture, row 0 at the top.
QImage GreyPicture(const std::vector<int>& levels);

// A CT image of Hounsfield units (rounded to whole numbers, clamped to
// -32768..32767) with square pixels of `pixelMm`, as DICOM file bytes;
// throws for a value that is not a finite number.
std::string CtDicomBytes(const std::vector<double>& hu, double pixelMm);

// True when the name ends in `extension` (".npy"...), in any case.
bool HasExtension(const std::string& path, const std::string& extension);

}  // namespace lab
