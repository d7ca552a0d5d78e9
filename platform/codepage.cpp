// codepage.cpp - Windows text (code page 932) to and from Unicode.
//
// Debian's Qt is built with ICU, whose "windows-31j" converter is code page 932
// (0x5C stays a backslash, 0x83 0xC6 is the Greek theta), unlike plain
// Shift-JIS. File paths arrive as UTF-8 bytes and are recognised as such.
// Characters outside code page 932 are encoded as '?'.
//
// Implements: IsDBCSLeadByteEx (code page 932; CP_ACP means 932 here).
#include <cstring>

#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/internal.h"

static bool IsUtf8WithNonAscii(const char* bytes, int length) {
    bool nonAscii = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    int i = 0;
    while (i < length) {
        unsigned char c = p[i];
        int follow;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
        } else {
            return false;
        }
        if (i + follow >= length) return false;  // sequence cut short
        for (int k = 1; k <= follow; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
        }
        nonAscii = true;
        i += follow + 1;
    }
    return nonAscii;
}

QString DecodeWindowsText(const char* bytes, int length) {
    if (!bytes) return QString();
    if (length < 0) length = static_cast<int>(strlen(bytes));
    if (IsUtf8WithNonAscii(bytes, length)) return QString::fromUtf8(bytes, length);
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
    return decoder.decode(QByteArrayView(bytes, length));
}

QByteArray EncodeWindowsText(const QString& text) {
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
    QByteArray out = encoder.encode(text);
    // ICU writes a character that code page 932 lacks as 0xFC 0xFC, which is
    // no character of the code page: encode one character at a time and put
    // '?' for those instead, as Windows does.
    if (!out.contains("\xFC\xFC")) return out;
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QByteArray one = encoder.encode(QStringView(text).mid(i, length));
        out += (one == "\xFC\xFC" || one.isEmpty()) ? QByteArray("?") : one;
        i += length - 1;
    }
    return out;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
    if (codePage != 932 && codePage != CP_ACP) return FALSE;
    return (testChar >= 0x81 && testChar <= 0x9F) || (testChar >= 0xE0 && testChar <= 0xFC);
}
