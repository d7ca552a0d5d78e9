// gdi_bench.cpp - SetPixelV into a 1200 x 800 memory DC, the call the run
// makes about 1.2 million times: row by row over the whole surface, as the
// pictures are drawn, and at scattered points half of them off the surface.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace {

struct Surface {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 1200, 800);
    HGDIOBJ original = SelectObject(dc, bitmap);
    ~Surface() {
        SelectObject(dc, original);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

void BM_SetPixelVRows(benchmark::State& state) {
    Surface s;
    COLORREF grey = 0;
    for (auto _ : state) {
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 1200; ++x) SetPixelV(s.dc, x, y, grey);
        grey = (grey + 0x010101) & 0xFFFFFF;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1200 * 800);
}
BENCHMARK(BM_SetPixelVRows)->Unit(benchmark::kMillisecond);

// The same rows stored into plain memory, without a call: what the machine
// itself costs per pixel, for comparison on a loaded machine.
void BM_PlainStoreRows(benchmark::State& state) {
    std::vector<uint32_t> pixels(1200 * 800);
    COLORREF grey = 0;
    for (auto _ : state) {
        uint32_t* p = pixels.data();
        benchmark::DoNotOptimize(p);
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 1200; ++x) {
                benchmark::DoNotOptimize(grey);
                p[y * 1200 + x] = 0xFF000000u | ((grey & 0xFFu) << 16) | (grey & 0xFF00u) | ((grey >> 16) & 0xFFu);
            }
        grey = (grey + 0x010101) & 0xFFFFFF;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1200 * 800);
}
BENCHMARK(BM_PlainStoreRows)->Unit(benchmark::kMillisecond);

// The same rows through a call that does nothing and cannot be inlined: the
// price of any out-of-line call, the floor under SetPixelV's own cost.
#if defined(__clang__)
#define NOT_INLINED __attribute__((noinline))  // clang has no noipa; noinline keeps the call
#else
#define NOT_INLINED __attribute__((noipa))
#endif
NOT_INLINED BOOL NothingCalled(HDC dc, int x, int y, COLORREF colour) {
    return dc != nullptr && x + y + static_cast<int>(colour) != 0;
}

void BM_EmptyCallRows(benchmark::State& state) {
    Surface s;
    COLORREF grey = 0;
    for (auto _ : state) {
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 1200; ++x) NothingCalled(s.dc, x, y, grey);
        grey = (grey + 0x010101) & 0xFFFFFF;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1200 * 800);
}
BENCHMARK(BM_EmptyCallRows)->Unit(benchmark::kMillisecond);

void BM_SetPixelVScattered(benchmark::State& state) {
    Surface s;
    unsigned seed = 12345;
    for (auto _ : state) {
        for (int i = 0; i < 1 << 20; ++i) {
            seed = seed * 1103515245u + 12345u;
            int x = static_cast<int>((seed >> 8) % 2400) - 600;
            int y = static_cast<int>((seed >> 4) % 1600) - 400;
            SetPixelV(s.dc, x, y, seed & 0xFFFFFF);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_SetPixelVScattered)->Unit(benchmark::kMillisecond);

}  // namespace
