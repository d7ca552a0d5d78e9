// reference_recon.cpp - the straightforward loop orders of the filtering,
// the back projection with its gap filling, and the summation. Additions
// and multiplications that may meet values that are not numbers keep their
// operand order through AddInOrder and MulInOrder, as the program does.
#include "support/reference_recon.h"

#include <cmath>

#include "console/text_print.h"
#include "graphic/canvas.h"
#include "recon/compute/ordered_arithmetic.h"
#include "recon/compute/recon_data.h"
#include "base/to_int.h"

void ReferenceFilterProjection(int a) {
    if (MethodAnswer == '1') {
        for (int b = 0; b < 256; ++b) FilteredSinogram[b * 260 + a] = Sinogram[b * 260 + a];
        return;
    }
    for (int b = 0; b < 256; ++b) {
        double sum = 0.0;
        for (int j = 0; j < 128; ++j) {
            if (b + j <= 255) sum = AddInOrder(sum, MulInOrder(FilterKernel[j], Sinogram[(b + j) * 260 + a]));
        }
        for (int j = 1; j < 128; ++j) {
            if (b - j >= 0) sum = AddInOrder(sum, MulInOrder(FilterKernel[j], Sinogram[(b - j) * 260 + a]));
        }
        FilteredSinogram[b * 260 + a] = static_cast<float>(sum);
    }
}

void ReferenceFillStackGaps(int a) {
    for (int q = 1; q <= 254; ++q) {
        for (int p = 1; p <= 254; ++p) {
            if (StackCell(p, q, a) == -1.0 && StackCell(p - 1, q, a) != -1.0 && StackCell(p + 1, q, a) != -1.0) {
                StackCell(p, q, a) = MulInOrder(AddInOrder(StackCell(p + 1, q, a), StackCell(p - 1, q, a)), 0.5);
            }
            if (StackCell(p, q, a) == -1.0 && StackCell(p, q - 1, a) != -1.0 && StackCell(p, q + 1, a) != -1.0) {
                StackCell(p, q, a) = MulInOrder(AddInOrder(StackCell(p, q - 1, a), StackCell(p, q + 1, a)), 0.5);
            }
        }
    }
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            if (StackCell(x, y, a) == -1.0) StackCell(x, y, a) = 0.0;
        }
    }
}

void ReferenceBackProjectViews() {
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            for (int a = 0; a < 180; ++a) StackCell(x, y, a) = -1.0;
        }
    }
    for (int a = 0; a < 180; ++a) {
        ReferenceFilterProjection(a);
        for (int u = 0; u < 256; ++u) {
            for (int v = 0; v < 256; ++v) SmearImage[v * 260 + u] = FilteredSinogram[v * 260 + a];
        }
        const double theta = a * 0.017453292519943295;
        const double cosA = cos(theta);
        const double sinA = sin(theta);
        for (int u = 0; u < 256; ++u) {
            const double X = u - 127.5;
            const double xCos = X * cosA;
            const double xSin = X * sinA;
            for (int v = 0; v < 256; ++v) {
                const double Y = v - 127.5;
                const int32_t x = TruncToInt32(((Y * cosA - xSin) + 127.5) + 0.5);
                const int32_t y = TruncToInt32(((Y * sinA + xCos) + 127.5) + 0.5);
                if (x >= 0 && x <= 255 && y >= 0 && y <= 255) StackCell(x, y, a) = SmearImage[v * 260 + u];
            }
        }
    }
    for (int a = 0; a < 180; ++a) ReferenceFillStackGaps(a);
    StackMax = 0.0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (StackMax < StackCell(x, y, 1)) StackMax = StackCell(x, y, 1);
        }
    }
}

void ReferenceSumProjectionStack() {
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) SumImage[x * 260 + y] = 0.0;
    }
    for (int a = 0; a < 180; ++a) {
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) SumImage[x * 260 + y] = AddInOrder(SumImage[x * 260 + y], StackCell(x, y, a));
        }
    }
    SumMax = SumImage[0];
    SumMin = SumImage[0];
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (SumMax < SumImage[x * 260 + y]) SumMax = SumImage[x * 260 + y];
            if (SumMin > SumImage[x * 260 + y]) SumMin = SumImage[x * 260 + y];
        }
    }
    TextPrint("\n\n maxp count = %lf", SumMax);
    TextPrint("\n minp count = %lf", SumMin);
    GraphicPresent();
}
