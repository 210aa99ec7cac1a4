// SPDX-License-Identifier: GPL-3.0-or-later
// A digest library for tests that gives one digest for every input: two different files then
// have equal digests, as a crafted collision pair would. Built with SV_MD5_LACK_TEXT it lacks
// GetHashText, for the library that misses an entry point.
#include "md5.h"

#include <cstring>

extern "C" {

int32_t CreateAlgorithm(void) {
    return 1;
}

int32_t InitAlgorithm(int32_t handle) {
    return handle == 1 ? 0 : 1;
}

int32_t InputData(int32_t handle, const void* /*buffer*/, int32_t count) {
    return handle == 1 && count >= 0 ? 0 : 1;
}

int32_t GetHashTextLength(int32_t /*handle*/) {
    return 32;
}

#ifndef SV_MD5_LACK_TEXT
int32_t GetHashText(int32_t handle, char* text, int32_t size) {
    static constexpr char kDigest[] = "0123456789abcdef0123456789abcdef";
    if (handle != 1 || size < 33)
        return 1;
    std::memcpy(text, kDigest, sizeof kDigest);
    return 0;
}
#endif

void DestroyAlgorithm(int32_t /*handle*/) {}

} // extern "C"
