// SPDX-License-Identifier: GPL-3.0-or-later
// MD5 through OpenSSL's EVP interface behind the six entry points of md5.h.
#include "md5.h"

#include <openssl/evp.h>

#include <array>
#include <atomic>
#include <cstddef>

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFailed = 1;
constexpr int32_t kDigestBytes = 16;
constexpr int32_t kTextLength = 2 * kDigestBytes;

struct Algorithm final {
    EVP_MD_CTX* context = nullptr;
    unsigned char digest[kDigestBytes] = {};
    bool finished = false; // the digest is final until the next InitAlgorithm
    bool started = false;
};

// A 32-bit handle cannot carry a pointer, so handles index this table (handle = slot + 1). Slots
// are taken and given back atomically; a handle is used by one thread at a time.
std::array<std::atomic<Algorithm*>, 64> g_slots{};

Algorithm* Find(int32_t handle) {
    if (handle < 1 || static_cast<std::size_t>(handle) > g_slots.size())
        return nullptr;
    return g_slots[static_cast<std::size_t>(handle - 1)].load(std::memory_order_acquire);
}

bool Finish(Algorithm& algorithm) {
    if (algorithm.finished)
        return true;
    if (!algorithm.started)
        return false;
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(algorithm.context, algorithm.digest, &length) != 1 ||
        length != static_cast<unsigned int>(kDigestBytes))
        return false;
    algorithm.finished = true;
    return true;
}

} // namespace

extern "C" {

int32_t CreateAlgorithm(void) {
    auto* algorithm = new Algorithm;
    algorithm->context = EVP_MD_CTX_new();
    if (algorithm->context == nullptr) {
        delete algorithm;
        return 0;
    }
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        Algorithm* expected = nullptr;
        if (g_slots[i].compare_exchange_strong(expected, algorithm, std::memory_order_acq_rel))
            return static_cast<int32_t>(i + 1);
    }
    EVP_MD_CTX_free(algorithm->context);
    delete algorithm;
    return 0;
}

int32_t InitAlgorithm(int32_t handle) {
    Algorithm* algorithm = Find(handle);
    if (algorithm == nullptr)
        return kFailed;
    algorithm->finished = false;
    algorithm->started = EVP_DigestInit_ex(algorithm->context, EVP_md5(), nullptr) == 1;
    return algorithm->started ? kOk : kFailed;
}

int32_t InputData(int32_t handle, const void* buffer, int32_t count) {
    Algorithm* algorithm = Find(handle);
    if (algorithm == nullptr || !algorithm->started || algorithm->finished || count < 0 ||
        (buffer == nullptr && count > 0))
        return kFailed;
    return EVP_DigestUpdate(algorithm->context, buffer, static_cast<std::size_t>(count)) == 1 ? kOk : kFailed;
}

int32_t GetHashTextLength(int32_t handle) {
    return Find(handle) != nullptr ? kTextLength : 0;
}

int32_t GetHashText(int32_t handle, char* text, int32_t size) {
    static constexpr char kHex[] = "0123456789abcdef";
    Algorithm* algorithm = Find(handle);
    if (algorithm == nullptr || text == nullptr || size < kTextLength + 1 || !Finish(*algorithm))
        return kFailed;
    for (int32_t i = 0; i < kDigestBytes; ++i) {
        text[2 * i] = kHex[algorithm->digest[i] >> 4];
        text[2 * i + 1] = kHex[algorithm->digest[i] & 15];
    }
    text[kTextLength] = '\0';
    return kOk;
}

void DestroyAlgorithm(int32_t handle) {
    if (handle < 1 || static_cast<std::size_t>(handle) > g_slots.size())
        return;
    Algorithm* algorithm = g_slots[static_cast<std::size_t>(handle - 1)].exchange(nullptr);
    if (algorithm == nullptr)
        return;
    EVP_MD_CTX_free(algorithm->context);
    delete algorithm;
}

} // extern "C"
