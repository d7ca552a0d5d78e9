// run_reconstruction.cpp - the interactive CT procedure: the order of the
// phases, the method prompt, the filter loop and the pause after the grid.
// The save dialogs name new files after the sinogram and the method. The run
// loops until the user answers "n" at "Retry? (no:n)", where
// ShowHuWindow ends the process.
#include "console/text_print.h"
#include "console/text_scan.h"
#include "graphic/canvas.h"
#include "graphic/canvas_layout.h"
#include "platform/win32.h"
#include "recon/phases.h"
#include "recon/compute/recon_data.h"
#include "shared/file_dialogs.h"
#include "shared/framework_state.h"

void RunReconstruction() {
    // Once: place the console beside the graphics window and print the title.
    MoveWindow(FrameworkState.ConsoleWindow, ConsoleRunLeft, ConsoleRunTop, ConsoleRunWidth, ConsoleRunHeight, TRUE);
    SetWindowTextA(FrameworkState.ConsoleWindow, "Sinora");
    TextPrint("Sinora");

    for (;;) {
        TextPrint("\n\n Load CT Sinogram data ");
        LoadSinogram();
        NameSavesAfter(ChosenPath, nullptr);
        GraphicInit();
        ShowSinogram();

        TextPrint("\n\n Select Reconstruction method ");
        TextPrint("\n\n 1: Simple BackProjection \n 2: Filtered BackProjection ");
        TextPrint("\n ");
        TextScan("%c", &MethodAnswer);
        // ChosenPath still names the sinogram: the filter is chosen below.
        NameSavesAfter(ChosenPath, MethodAnswer == '1' ? "bp" : "fbp");

        // Anything but "1" (an empty line included) means filtered back
        // projection: a filter is loaded until one is accepted.
        if (MethodAnswer != '1') {
            do {
                LoadFilter();
            } while (PromptAnswer == 'n' || PromptAnswer == 'N');
        }

        BackProjectViews();
        ShowFilteredViews();
        TextPrint("\n\n Disp Filtered Pth * Filter ");
        TextScan("%c", &PromptAnswer);  // a pause: the answer is not looked at

        SumProjectionStack();
        ShowSumImage();
        ShowFbpProcess();
        ShowHuWindow();  // returns for a new run, or ends the process
    }
}
