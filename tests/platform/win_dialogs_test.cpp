// Message boxes, file dialogs and the pop-up menu, answered through the
// test hooks inside their own modal loops.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "platform/platform.h"
#include "platform/window_state.h"
#include "tests/platform/platform_test_util.h"

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        owner_ = CreateTestWindow(WS_OVERLAPPEDWINDOW);
        ShowWindow(owner_, SW_SHOWNORMAL);
        DrainQueue();
        Recorded().clear();
        logStart_ = PlatformModalLogCount();
    }
    void TearDown() override { DestroyWindow(owner_); }

    std::string MakeFile(const std::string& name) {
        std::string path = dir_.path().toStdString() + "/" + name;
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) fclose(f);
        return path;
    }
    std::string LastLog() { return PlatformModalLogEntry(PlatformModalLogCount() - 1); }

    QTemporaryDir dir_;
    HWND owner_ = nullptr;
    int logStart_ = 0;
};

// The shared set-up of the program's dialogs: three filters, 260-byte
// buffers, OFN_FILEMUSTEXIST, default extension "*".
struct DialogRecord {
    char file[260];
    char title[260];
    OPENFILENAMEA ofn;
    DialogRecord(HWND owner, const std::string& initial) {
        memset(this, 0, sizeof(*this));
        snprintf(file, sizeof(file), "%s", initial.c_str());
        static const char kFilter[] =
            "\x91\x53\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9 {*.*}\0*.*\0"  // 全てのﾌｧｲﾙ {*.*}
            "\xC3\xB7\xBD\xC4\xCC\xA7\xB2\xD9 {*.txt}\0*.txt\0"      // ﾃｷｽﾄﾌｧｲﾙ {*.txt}
            "\xCB\xDE\xAF\xC4\xCF\xAF\xCC{*.bmp}\0*.bmp\0";          // ﾋﾞｯﾄﾏｯﾌ{*.bmp}
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = kFilter;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof(file);
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = sizeof(title);
        ofn.Flags = OFN_FILEMUSTEXIST;
        ofn.lpstrDefExt = "*";
    }
};

TEST_F(DialogsTest, MessageBoxAnswersAndLog) {
    PlatformQueueModalAnswer("cancel", 50);
    EXPECT_EQ(MessageBoxA(owner_, "\n End ? \n\n", "EXIT?", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    EXPECT_EQ(LastLog(), "MessageBox|EXIT?|\n End ? \n\n|33");
    PlatformQueueModalAnswer("ok");
    EXPECT_EQ(MessageBoxA(owner_, "x", "Y", MB_OKCANCEL), IDOK);
    // With OK only, every way of closing it means OK.
    PlatformQueueModalAnswer("cancel");
    EXPECT_EQ(MessageBoxA(owner_, "\x83\xC6", "Kelvane Message", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(LastLog(), "MessageBox|Kelvane Message|θ|64");
    // Return presses the default button: OK, or Cancel with MB_DEFBUTTON2.
    const struct {
        UINT type;
        int expected;
    } returns[] = {
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDCANCEL},
        {MB_OK | MB_DEFBUTTON2, IDOK},
    };
    for (const auto& r : returns) {
        PlatformQueueModalAnswer("return", 20);
        EXPECT_EQ(MessageBoxA(owner_, "r", "R", r.type), r.expected) << r.type;
    }
    // Unattended, nothing queued: cancelled at once.
    EXPECT_EQ(MessageBoxA(owner_, "q", "Q", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(PlatformModalLogCount() - logStart_, 7);
    // The owner has the focus back (activation arrives as an event).
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(QApplication::activeWindow(), PlatformWindowFrame(owner_));
}

TEST_F(DialogsTest, OpenDialogReturnsPathAndTitleAndRefusesMissingFiles) {
    std::string first = MakeFile("sinogram.bin");
    std::string second = MakeFile("filter.txt");
    DialogRecord d(owner_, first);
    PlatformQueueModalAnswer(second.c_str(), 30);
    ASSERT_TRUE(GetOpenFileNameA(&d.ofn));
    EXPECT_EQ(LastLog(), "OpenFile|" + first);
    EXPECT_STREQ(d.file, second.c_str());
    EXPECT_STREQ(d.title, "filter.txt");
    EXPECT_EQ(std::string(d.file + d.ofn.nFileOffset), "filter.txt");

    // A missing file is refused and the dialog waits for the next answer.
    DialogRecord missing(owner_, "");
    PlatformQueueModalAnswer((dir_.path().toStdString() + "/nothing.bin").c_str(), 10);
    PlatformQueueModalAnswer(first.c_str(), 10);
    ASSERT_TRUE(GetOpenFileNameA(&missing.ofn));
    EXPECT_EQ(LastLog(), "OpenFile|");
    EXPECT_STREQ(missing.file, first.c_str());

    // Refused without a further answer: cancelled, buffers untouched.
    DialogRecord refused(owner_, first);
    PlatformQueueModalAnswer((dir_.path().toStdString() + "/nothing.bin").c_str(), 10);
    EXPECT_FALSE(GetOpenFileNameA(&refused.ofn));
    EXPECT_STREQ(refused.file, first.c_str());
    EXPECT_STREQ(refused.title, "");
}

TEST_F(DialogsTest, SaveDialogAcceptsNewNamesAndNonAsciiPaths) {
    std::string existing = MakeFile("old.txt");
    std::string fresh = dir_.path().toStdString() + "/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.bmp";  // データ.bmp
    DialogRecord d(owner_, existing);
    PlatformQueueModalAnswer(fresh.c_str(), 10);
    ASSERT_TRUE(GetSaveFileNameA(&d.ofn));
    EXPECT_EQ(LastLog(), "SaveFile|" + existing);
    EXPECT_STREQ(d.file, fresh.c_str());  // the file system's bytes
    EXPECT_STREQ(d.title, "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.bmp");
    // "*" as default extension added nothing; the path works with stdio.
    FILE* f = fopen(d.file, "wb");
    ASSERT_NE(f, nullptr);
    fclose(f);

    // The next dialog starts from that non-ASCII path.
    DialogRecord again(owner_, d.file);
    PlatformQueueModalAnswer(d.file, 10);
    ASSERT_TRUE(GetOpenFileNameA(&again.ofn));
    EXPECT_EQ(LastLog(), "OpenFile|" + fresh);
    EXPECT_STREQ(again.file, fresh.c_str());

    // An existing name is accepted without an overwrite question.
    DialogRecord over(owner_, "");
    int before = PlatformModalLogCount();
    PlatformQueueModalAnswer(existing.c_str(), 10);
    ASSERT_TRUE(GetSaveFileNameA(&over.ofn));
    EXPECT_STREQ(over.file, existing.c_str());
    EXPECT_EQ(PlatformModalLogCount(), before + 1);

    PlatformQueueModalAnswer("cancel", 10);
    EXPECT_FALSE(GetSaveFileNameA(&over.ofn));
}

TEST_F(DialogsTest, APathLongerThanTheBufferFailsWithoutWritingPastIt) {
    std::string name(60, 'n');
    std::string path = MakeFile(name);
    struct {
        char file[32];
        char guard[32];
    } buffers;
    memset(&buffers, 'G', sizeof(buffers));
    buffers.file[0] = 0;
    char title[8];
    memset(title, 'T', sizeof(title));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner_;
    ofn.lpstrFile = buffers.file;
    ofn.nMaxFile = sizeof(buffers.file);
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof(title);
    PlatformQueueModalAnswer(path.c_str(), 10);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    // As in Win32: the reason, and the size needed in the first two bytes.
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD needed = 0;
    memcpy(&needed, buffers.file, sizeof needed);
    EXPECT_EQ(needed, path.size() + 1);
    for (char c : buffers.guard) EXPECT_EQ(c, 'G');
    for (char c : title) EXPECT_EQ(c, 'T');

    // The path fits, the bare name does not fit its buffer: fails too.
    char file[260] = "";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    PlatformQueueModalAnswer(path.c_str(), 10);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    for (char c : title) EXPECT_EQ(c, 'T');

    PlatformQueueModalAnswer("cancel", 10);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(DialogsTest, PopupMenuPostsTheChosenCommand) {
    HMENU menu = CreatePopupMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, 1, " Tiny Size"));
    EXPECT_TRUE(InsertMenuA(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 999, ""));
    EXPECT_TRUE(InsertMenuA(menu, 2, MF_BYPOSITION | MF_STRING, 8, "  &Exit "));
    EXPECT_TRUE(InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, 5, " Huge Size"));

    PlatformQueueModalAnswer("8", 20);
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_RIGHTBUTTON, 900, 400, 0, owner_, nullptr));
    EXPECT_EQ(LastLog(), "PopupMenu|900|400");
    // Posted, not sent.
    EXPECT_EQ(CountRecorded(WM_COMMAND), 0);
    DrainQueue();
    ASSERT_EQ(CountRecorded(WM_COMMAND), 1);
    for (const RecordedMessage& m : Recorded()) {
        if (m.message == WM_COMMAND) {
            EXPECT_EQ(m.hwnd, owner_);
            EXPECT_EQ(m.wParam, 8u);
        }
    }
    // Cancelled (and an identifier of a separator or of nothing): no command.
    Recorded().clear();
    PlatformQueueModalAnswer("cancel", 10);
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_CENTERALIGN, 900, 400, 0, owner_, nullptr));
    PlatformQueueModalAnswer("999", 10);
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_CENTERALIGN, 900, 400, 0, owner_, nullptr));
    DrainQueue();
    EXPECT_EQ(CountRecorded(WM_COMMAND), 0);

    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, owner_, nullptr));
}

}  // namespace
