// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The digest library's six entry points, loaded by name at run time. Handles and results are
// 32-bit; 0 means success where a status is returned.

#include <stdint.h>

#if defined(_WIN32)
#define SV_MD5_EXPORT __declspec(dllexport)
#else
#define SV_MD5_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// A new algorithm handle, 0 when none can be made.
SV_MD5_EXPORT int32_t CreateAlgorithm(void);
// Starts a new digest on the handle; everything fed before is forgotten.
SV_MD5_EXPORT int32_t InitAlgorithm(int32_t handle);
SV_MD5_EXPORT int32_t InputData(int32_t handle, const void* buffer, int32_t count);
// Length of the digest text without its terminator (32).
SV_MD5_EXPORT int32_t GetHashTextLength(int32_t handle);
// Writes the digest as NUL-terminated lower-case hex; `size` counts the terminator.
SV_MD5_EXPORT int32_t GetHashText(int32_t handle, char* text, int32_t size);
SV_MD5_EXPORT void DestroyAlgorithm(int32_t handle);

#ifdef __cplusplus
}
#endif
