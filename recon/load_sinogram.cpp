// load_sinogram.cpp - the sinogram file: chosen in the open dialog, read
// whole into RawSinogram (729 channels x 180 angles), rebinned into the
// 256-bin Sinogram, and its count range printed.
//
// A file is taken only when all 1,049,760 bytes can be read: a cancelled
// dialog, a path that is too long, cannot be opened or is not a plain file
// (a folder, a named pipe, a device: never opened for reading), and a short
// or empty file are refused with a notice naming the file, the data of the
// previous run stay as they were, and the user may choose again or end the
// program.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/text_print.h"
#include "console/text_scan.h"
#include "recon/chosen_file.h"
#include "recon/compute/input_files.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/file_dialogs.h"
#include "shared/message_notice.h"

namespace {

// Outcome of the last ReadRawSinogram: true when RawSinogram holds the file.
bool SinogramAccepted;

bool ReadSinogramFile(const char* path) {
    if (path[0] == '\0') {
        MessageNotice("\n No sinogram file was chosen. \n");
        return false;
    }
    long long size = 0;
    switch (ExamineChosenFile(path, &size)) {
        case ChosenFileKind::CannotOpen:
            MessageNotice("\n Cannot open the sinogram file \n %s \n (%s) \n", path, strerror(errno));
            return false;
        case ChosenFileKind::Folder: MessageNotice("\n %s \n is a folder, not a sinogram file. \n", path); return false;
        case ChosenFileKind::NotPlainFile:
            MessageNotice("\n %s \n is not a plain file and cannot be read as a sinogram. \n", path);
            return false;
        case ChosenFileKind::PlainFile: break;
    }
    if (size == 0) {
        MessageNotice("\n The sinogram file \n %s \n is empty; %d bytes are required. \n", path,
                      static_cast<int>(SinogramFileBytes));
        return false;
    }
    if (size < SinogramFileBytes) {
        MessageNotice("\n The sinogram file \n %s \n is too short: %lld bytes of the %d bytes required. \n", path, size,
                      static_cast<int>(SinogramFileBytes));
        return false;
    }
    FILE* file = fopen(path, "rb");
    if (!file) {
        MessageNotice("\n Cannot open the sinogram file \n %s \n (%s) \n", path, strerror(errno));
        return false;
    }
    const bool accepted = ReadSinogramValues(file);
    if (!accepted) {
        MessageNotice("\n Cannot read the %d bytes of the sinogram file \n %s \n", static_cast<int>(SinogramFileBytes),
                      path);
    }
    fclose(file);
    return accepted;
}

}  // namespace

void ReadRawSinogram() { SinogramAccepted = ReadSinogramFile(ChosenPath); }

void FindSinogramRange() {
    FindSinogramExtremes();
    TextPrint("\n\n max count = %lf", SinogramMax);
    TextPrint("\n min count = %lf", SinogramMin);
}

void LoadSinogram() {
    for (;;) {
        // A path too long for the dialog has been reported by the dialog step.
        if (AskOpenFileName(ChosenPath) == DialogOutcome::PathTooLong) {
            SinogramAccepted = false;
        } else {
            ReadRawSinogram();
        }
        if (SinogramAccepted) break;
        TextPrint("\n\n Retry? (no:n) ");
        TextScan("%c", &PromptAnswer);
        if (PromptAnswer == 'n') exit(0);
    }
    RebinSinogram();
    FindSinogramRange();
}
