// load_filter.cpp - the real-space filter step: the user picks a text file of
// numbers, its first 128 become FilterKernel, the curve is plotted
// (show_filter.cpp), and the user confirms the choice. The run repeats the pass while the answer is "n" or
// "N".
//
// A file that cannot serve as a filter (no file chosen, a path too long, a
// file that cannot be opened, a folder, a named pipe or a device - never
// opened for reading - fewer than 128 numbers, text where a number should
// be) is refused
// with a notice: FilterKernel keeps its taps and the pass ends with the answer
// "n", so that the run starts another "Load Real space Filter" pass.
#include <cstdio>
#include <cstring>

#include "console/text_print.h"
#include "console/text_scan.h"
#include "graphic/canvas.h"
#include "recon/chosen_file.h"
#include "recon/compute/input_files.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/file_dialogs.h"
#include "shared/framework_state.h"
#include "shared/message_notice.h"

bool ReadFilterKernel() {
    const ChosenFileKind kind = ExamineChosenFile(ChosenPath, nullptr);
    if (kind == ChosenFileKind::Folder || kind == ChosenFileKind::NotPlainFile) {
        MessageNotice(
            "The filter file\n %s\n is a folder or a device, not a file.\n\n"
            " No numbers were read; the filter was not loaded.",
            ChosenPath);
        return false;
    }
    FILE* file = kind == ChosenFileKind::PlainFile ? fopen(ChosenPath, "rt") : nullptr;
    if (!file) {
        MessageNotice("Cannot open the filter file\n %s\n\n No numbers were read; the filter was not loaded.",
                      ChosenPath);
        return false;
    }

    // Read into a scratch array so that a refused file leaves the taps of
    // the previous filter in place.
    double taps[KernelTaps];
    int count = 0;
    const FilterTapsRead read = ReadFilterTaps(file, taps, &count);
    fclose(file);

    if (read == FilterTapsRead::NotANumber) {
        MessageNotice(
            "The filter file\n %s\n has text that is not a number after %d numbers;"
            " 128 are needed.\n\n The filter was not loaded.",
            ChosenPath, count);
        return false;
    }
    if (read == FilterTapsRead::TooFew) {
        MessageNotice(
            "The filter file\n %s\n holds only %d numbers; 128 are needed.\n\n"
            " The filter was not loaded.",
            ChosenPath, count);
        return false;
    }
    memcpy(FilterKernel, taps, sizeof taps);
    return true;
}

void LoadFilter() {
    TextPrint("\n\n Load Real space Filter ");
    TextScan("%c", &PromptAnswer);  // a pause: the answer is not looked at

    // A path too long for the dialog has been reported by the dialog step.
    if (AskOpenFileName(ChosenPath) == DialogOutcome::PathTooLong) {
        PromptAnswer = 'n';
        return;
    }
    if (ChosenPath[0] == 0) {
        MessageNotice("No filter file was chosen.\n\n Load Real space Filter again.");
        PromptAnswer = 'n';
        return;
    }
    if (!ReadFilterKernel()) {
        PromptAnswer = 'n';
        return;
    }

    PlotFilter();
    GraphicPresent();
    FrameworkState.PenWidth = 1;

    TextPrint("\n\n Real space filter = \n\n %s \n OK ? (yes; enter, no; n ) ", ChosenPath);
    TextScan("%c", &PromptAnswer);
}
