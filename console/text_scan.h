// text_scan.h - scanf-style input typed into the console.
#pragma once

// Records the format and destinations, then waits (dispatching messages)
// until a line is entered, or parses a pending rest at once. Returns 0.
// A %s destination receives at most 160 characters and a zero (a typed line
// holds at most 160 characters), so it needs 161 bytes.
int TextScan(const char* format, ...);
// One typed character (low byte counts), from the console window procedure.
void InputChar(int code);
// Converts tokens of InputLine by ScanFormat into ScanTargets; echo and rest.
void ParseInputLine();
