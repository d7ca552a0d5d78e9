// message_pump.h - the program's one step of its message loop, shared by the
// wait for typed input and by the replay, which keep the windows alive with
// it.
#pragma once

// Takes and dispatches at most one waiting message; a quit message is taken
// and dropped. False when nothing was waiting.
bool PumpOneMessage();
