// layer_state.h - the one record of the platform layer's state: the window
// classes and windows, the message queue and timers, the GDI tables, the
// global memory blocks and open files, the menus, and the answers and log
// of the test hooks. Every file of the layer reaches it as `bd->...`, and
// PlatformResetForTests puts it back to its state after PlatformInit, so
// that each test starts from a clean layer. Includes Qt; only for platform/.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <QIcon>
#include <QPoint>
#include <QString>
#include <QtGlobal>

#include "platform/gdi_objects.h"
#include "platform/window_state.h"

class QFileIconProvider;
class QTimer;

struct TimerRecord {
    HWND hwnd;
    UINT_PTR id;
    int64_t interval;
    TIMERPROC proc;
    int64_t nextDue;
    bool ready;  // expired, WM_TIMER not taken yet
};

struct PlatformMenu {
    struct Item {
        UINT_PTR id;
        bool separator;
        std::string text;
    };
    std::vector<Item> items;
};

struct GlobalBlock {
    void* memory;
    bool moveable;
    PlatformGlobal* record;  // moveable blocks only
};

// A message of the toolkit held back while the application starts.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

struct ModalAnswer {
    std::string answer;
    int delayMs;
};

struct LayerState {
    // ---- start-up (platform_init.cpp); kept by a reset
    int argc = 0;  // QApplication keeps references to argc and argv
    char** argv = nullptr;
    char programName[7] = "sinora";
    char* fallbackArgv[2] = {programName, nullptr};
    std::vector<HeldMessage> heldMessages;                                           // while the application starts
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();  // message times count from here

    // ---- windows (win_windows.cpp)
    std::map<std::string, std::unique_ptr<WindowClassRecord>> classes;
    // Every window record, in creation order. Records are never freed, so a
    // stale handle never aliases a newer window.
    std::vector<PlatformWindow*> windows;
    std::vector<HWND> destroying;  // windows inside their DestroyWindow
    int cascade = 0;               // next CW_USEDEFAULT position
    QPoint lastMouseGlobal;        // the cursor as the last mouse press saw it
    int cursorCount = 0;           // ShowCursor's display count
    char standardIcon = 0;         // their addresses are the one icon and cursor
    char standardCursor = 0;

    // ---- message queue and timers (win_messages.cpp). One queue: the
    // windows live on the thread that started the layer (Qt widgets belong
    // to that thread); other threads only compute.
    std::deque<MSG> posted;
    std::vector<TimerRecord> timers;
    UINT_PTR nextThreadTimerId = 0x7F00;
    bool quitPending = false;
    int exitCode = 0;
    std::map<uint32_t, QString> keyTexts;  // typed text of queued key presses, by serial
    uint32_t nextKeySerial = 1;
    int modalDepth = 0;
    QTimer* modalPump = nullptr;  // dispatches our queue inside modal loops

    // ---- menus and dialogs (win_dialogs.cpp)
    std::set<PlatformMenu*> menus;
    DWORD dialogError = 0;                       // why the last file dialog returned 0 (CommDlgExtendedError)
    QFileIconProvider* fileIcons = nullptr;      // the icons every file dialog shows,
    std::map<QString, QIcon> dialogButtonIcons;  // tool buttons' by name (MakeFileDialog)

    // ---- GDI (win_gdi_objects.cpp, win_gdi_text.cpp)
    GdiObject stock[kStockLimit + 1];  // entry h for the stock handle h
    std::vector<GdiSlot> objectSlots;
    std::deque<uint32_t> freeSlots;
    // Device contexts: records taken from a pool that is never given back
    // to the system, so a stale HDC never points into freed memory.
    std::deque<PlatformDc> dcPool;
    std::unordered_set<const PlatformDc*> dcAll;
    std::deque<PlatformDc*> dcFree;
    std::unordered_map<HWND, PlatformDc*> ownDcs;             // the one DC of each CS_OWNDC window
    std::map<std::pair<QString, int>, int> pixelSizeForCell;  // font metrics, kept by a reset

    // ---- global memory and files (win_kernel.cpp)
    std::mutex memoryLock;
    std::map<HGLOBAL, GlobalBlock> blocks;  // by handle
    std::map<void*, HGLOBAL> byAddress;     // memory address back to handle
    std::mutex fileLock;
    std::set<HANDLE> files;

    // ---- test hooks (platform_init.cpp)
    std::deque<ModalAnswer> answers;
    bool unattended = false;
    std::vector<std::string> modalLog;

    LayerState() { BuildStockObjects(stock); }
};

// The layer's state, made on first use and never destroyed: fonts must not
// outlive the Qt application at exit.
LayerState* LayerData();
