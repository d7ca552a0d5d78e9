// The DICOM reader process's reading on arbitrary bytes, in the fuzzer's own
// process: GDCM decodes, the lab cuts and rescales. It gives a slice whose
// size and values make sense, or reports a LabError; a crash is a finding.
// What the reader process survives counts as a refusal here: Debian's GDCM
// keeps its assertions (the reader reports "GDCM stopped by signal 6"), and
// a length read from a damaged file fails to allocate (the reader's address
// space is limited; fuzz_memory_limit.h). What an assertion leaves behind
// is leaked, so leaks are not looked for, and the memory the fuzzer allows
// is doubled:
// fuzz-flags: -detect_leaks=0 -rss_limit_mb=4096
#include <gdcmTrace.h>
#include <sanitizer/lsan_interface.h>

#include <cassert>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_memory_limit.h"
#include "tests/fuzz/fuzz_support.h"
#include "lab/dicom/dicom_decode.h"
#include "lab/core/lab_error.h"

namespace {

sigjmp_buf refused;
bool decoding = false;

}  // namespace

// GDCM's failed assertions come here rather than to the C library's, and
// leave the input as refused (what GDCM held is leaked: leaks are not
// looked for).
extern "C" void __assert_fail(const char* condition, const char* file, unsigned line, const char* function) noexcept {
    if (!decoding) {
        fprintf(stderr, "%s:%u: %s: Assertion '%s' failed.\n", file, line, function, condition);
        abort();
    }
    siglongjmp(refused, 1);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __lsan_disable();  // on this, the only thread that reads
    gdcm::Trace::WarningOff();
    gdcm::Trace::ErrorOff();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWriteScratch(data, size);
    if (sigsetjmp(refused, 0) != 0) {
        decoding = false;
        fuzz_memory::Limited() = false;
        return 0;
    }
    decoding = true;
    try {
        const lab::DicomSlice slice = [] {
            const fuzz_memory::Limit limit;
            return lab::DecodeDicomSlice(FuzzScratchPath(), 1);
        }();
        const lab::SourceImage& hu = slice.hu;
        FuzzRequire(hu.width > 0 && hu.height > 0 && hu.values.size() == static_cast<size_t>(hu.width) * hu.height,
                    "a slice whose size and values disagree");
        FuzzRequire(hu.spacingX > 0.0 && std::isfinite(hu.spacingX) && hu.spacingY > 0.0 && std::isfinite(hu.spacingY),
                    "a slice without a positive spacing");
        for (double v : hu.values) FuzzRequire(std::isfinite(v), "a value not finite");
        FuzzRequire(slice.frames >= 1, "a slice without frames");
    } catch (const lab::LabError&) {
    } catch (const std::bad_alloc&) {
    }
    decoding = false;
    return 0;
}
