// load_filter.cpp - the real-space filter step: the user picks a text file of
// numbers, its first 128 become FilterKernel, taps 0..20 are drawn as a
// yellow curve mirrored around x = 600 in a black frame, and the user
// confirms the choice. The run repeats the pass while the answer is "n" or
// "N".
//
// A file that cannot serve as a filter (no file chosen, a path too long, a
// file that cannot be opened, a folder, a named pipe or a device - never
// opened for reading - fewer than 128 numbers, text where a number should
// be) is refused
// with a notice: FilterKernel keeps its taps and the pass ends with the answer
// "n", so that the run starts another "Load Real space Filter" pass.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shared/framework_state.h"
#include "shared/file_dialogs.h"
#include "console/text_print.h"
#include "shared/message_notice.h"
#include "console/text_scan.h"
#include "graphic/canvas.h"
#include "graphic/canvas_draw.h"
#include "graphic/canvas_layout.h"
#include "recon/chosen_file.h"
#include "recon/input_files.h"
#include "recon/phases.h"
#include "recon/recon_data.h"
#include "base/to_int.h"

namespace {

// The y of a tap value on the plot's scale.
// A tap too large for 32 bits (or not a number) converts to -2147483648;
// the subtraction then wraps around in 32 bits, as the machine's does,
// putting the point far outside the canvas instead of overflowing.
int TapY(double tap) {
    return static_cast<int32_t>(static_cast<uint32_t>(FilterZeroY) -
                                static_cast<uint32_t>(TruncToInt32(FilterPixelsPerUnit * tap)));
}

}  // namespace

bool ReadFilterKernel() {
    const ChosenFileKind kind = ExamineChosenFile(ChosenPath, nullptr);
    if (kind == ChosenFileKind::Folder || kind == ChosenFileKind::NotPlainFile) {
        MessageNotice("The filter file\n %s\n is a folder or a device, not a file.\n\n"
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
        MessageNotice("The filter file\n %s\n has text that is not a number after %d numbers;"
                      " 128 are needed.\n\n The filter was not loaded.",
                      ChosenPath, count);
        return false;
    }
    if (read == FilterTapsRead::TooFew) {
        MessageNotice("The filter file\n %s\n holds only %d numbers; 128 are needed.\n\n"
                      " The filter was not loaded.",
                      ChosenPath, count);
        return false;
    }
    memcpy(FilterKernel, taps, sizeof taps);
    return true;
}

void PlotFilter() {
    FrameworkStateRecord& s = FrameworkState;

    // Black frame; it also erases the curve of an earlier pass.
    DrawFilledFrame(FilterFrameLeft, FilterFrameTop, FilterFrameRight, FilterFrameBottom, BlackColour);

    // Caption; the font record keeps its height afterwards.
    s.PenWidth = FilterCurvePenWidth;
    s.CurrentColor = WhiteColour;
    if (s.GraphicFontRecord) {
        s.GraphicFontRecord->lfHeight = FilterCaptionHeight;
        DrawCanvasText(FilterCaptionX, FilterCaptionY, "Real Space Filter", 17);
    }

    // Taps 0..20, to the right of the centre and mirrored to its left.
    s.CurrentColor = YellowColour;
    for (int k = 0; k < 20; ++k) {
        const int y1 = TapY(FilterKernel[k]);
        const int y2 = TapY(FilterKernel[k + 1]);
        DrawCanvasSegment(FilterCentreX + FilterTapStep * k, y1, FilterCentreX + FilterTapStep * (k + 1), y2);
        DrawCanvasSegment(FilterCentreX - FilterTapStep * k, y1, FilterCentreX - FilterTapStep * (k + 1), y2);
    }
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
