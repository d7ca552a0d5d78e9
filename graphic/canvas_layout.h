// canvas_layout.h - where the run's pictures stand on the 1200 x 800 canvas,
// and where the console stands beside it on the screen. Coordinates are
// canvas pixels (x to the right, y downward) unless said otherwise.
#pragma once

// ---- the canvas -------------------------------------------------------------
const int CanvasWidth = 1200;
const int CanvasHeight = 800;

// ---- the sinogram picture: one pixel per value, bins across, angles down ----
const int SinogramLeft = 10;
const int SinogramTop = 10;

// ---- the filter plot -----------------------------------------------------------
// A filled black frame (left, top, right, bottom as Rectangle takes them);
// it also erases the curve of an earlier pass.
const int FilterFrameLeft = 500;
const int FilterFrameTop = 130;
const int FilterFrameRight = 750;
const int FilterFrameBottom = 400;
// The curve: taps 0..20 from x = 600 to the right, mirrored to its left,
// 5 pixels per tap; the zero level at y = 300, 4 pixels per unit upward.
const int FilterCentreX = 600;
const int FilterTapStep = 5;
const int FilterZeroY = 300;
const int FilterPixelsPerUnit = 4;
const int FilterCurvePenWidth = 4;
const int FilterCaptionX = 650;
const int FilterCaptionY = 70;
const int FilterCaptionHeight = 22;

// ---- the grid of per-angle back projections: every fifth angle as a
// 128 x 128 image, ten images a row, the rows below the sinogram picture ----
const int GridTop = 200;
const int GridImageSize = 128;
const int GridColumns = 10;

// ---- the sum image (and its HU windows): 2 x 2 blocks below the grid's
// first row ------------------------------------------------------------------------
const int SumImageLeft = 0;
const int SumImageTop = 140;

// ---- the replay: two panels of 2 x 2 blocks at the top, the partial sum and
// the angle's back projection, each with a caption over its top rows ----------
const int ReplaySumLeft = 0;
const int ReplayAngleLeft = 512;
const int ReplayTop = 0;
const int ReplaySumCaptionX = 10;
const int ReplayAngleCaptionX = 700;
const int ReplayCaptionY = 1;
const int ReplayCaptionHeight = 28;
const int ReplayPenWidth = 3;

// ---- the console's place on the screen once the run starts: beside the
// graphics window (screen coordinates of its outer rectangle) ------------------
const int ConsoleRunLeft = 2;
const int ConsoleRunTop = 20;
const int ConsoleRunWidth = 350;
const int ConsoleRunHeight = 600;
