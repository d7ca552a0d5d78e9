// show_fbp_process.h - the captions of the replay frames, composed apart from
// the drawing so that their bytes can be checked.
#pragma once

enum { ReplayCaptionBytes = 104 };  // up to 103 characters and a terminating zero

// Caption over the sum panel, "Sum Image of Pθ*h from θ= 0 to <angle>", and
// over the angle panel, "Pθ*h of θ= <angle>", in code page 932 (θ is the two
// bytes 0x83 0xC6); the angle as FormatGcvt writes it with 5 digits.
// Each buffer holds ReplayCaptionBytes bytes.
void ComposeReplayCaptions(int angle, char* sumCaption, char* angleCaption);
