// message_notice.h - the framework's notices: its few failures and its
// messages to the user, each in a modal message box.
#pragma once

// Formats and shows a modal message box captioned "Kelvane Message".
void MessageNotice(const char* format, ...) __attribute__((format(printf, 1, 2)));
