// dicom_slice.cpp - GDCM runs in the DICOM reader process (sinora-lab
// started anew, dicom_reader.h); its slice comes back through a pipe.
#include "lab/dicom/dicom_slice.h"

#include <algorithm>

#include "lab/dicom/dicom_reader.h"
#include "lab/files/input_file.h"
#include "lab/core/lab_error.h"
#include "lab/dicom/lab_program.h"
#include "lab/files/library_messages.h"
#include "lab/dicom/reader_process.h"

namespace lab {

namespace {

// Longer than any real slice takes; a file that makes GDCM loop is damaged.
constexpr unsigned DecodeSeconds = 60;
// No DICOM file the lab reads is larger: its pixel data at most, its other
// elements with room to spare.
constexpr long long MaxDicomFileBytes = 1LL << 30;

}  // namespace

bool HasDicomPreamble(const std::string& path) {
    const std::string bytes = InputFile(path).Read(0, 132);
    return bytes.size() == 132 && bytes.compare(128, 4, "DICM") == 0;
}

DicomSlice ReadDicomSlice(const std::string& path, int frame, const StopAsked& stop) {
    {
        // The reader opens the file by its name: the rule first.
        const InputFile file(path);
        if (file.Size() > MaxDicomFileBytes)
            throw LabError(path + ": too large for a DICOM slice (" + std::to_string(file.Size()) + " bytes; at most " +
                           std::to_string(MaxDicomFileBytes) + ")");
    }
    const ReaderOutcome read = RunReaderProcess(DicomReaderArguments(LabProgramPath(), path, frame), DecodeSeconds, stop);
    KeepLibraryMessage(read.messages);
    if (!read.started) throw LabError("cannot read the DICOM file " + path + ": the reader " + read.how);
    if (read.stopped) throw LabError(path + ": reading stopped");
    if (!read.finished) throw LabError(path + ": a damaged DICOM file: GDCM " + read.how);
    return SliceFromAnswer(path, read.answer);
}

double RelativeMuFromHu(double hu) { return std::max(0.0, 1.0 + hu / 1000.0); }

}  // namespace lab
