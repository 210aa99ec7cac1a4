// SPDX-License-Identifier: GPL-3.0-or-later
// The built digest library, loaded from the build folder as the program loads it.
#include "platform/digest_library.h"
#include "testing.h"

#include <QLibrary>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace sv {
namespace {

std::string DigestOf(DigestLibrary& library, const std::string& bytes, std::size_t piece) {
    EXPECT_EQ(library.InitAlgorithm(), 0);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t n = std::min(piece, bytes.size() - at);
        EXPECT_EQ(library.InputData(bytes.data() + at, static_cast<std::int32_t>(n)), 0);
    }
    return library.HashText().value_or("failed");
}

TEST(DigestLibrary, GivesStandardMd5InLowerCaseHexHoweverTheBytesAreFed) {
    DigestLibrary library(SV_MD5_LIBRARY);
    ASSERT_TRUE(library.EnsureLoaded());
    EXPECT_EQ(DigestOf(library, "", 1024), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DigestOf(library, "abc", 1024), "900150983cd24fb0d6963f7d28e17f72");
    const std::string million(1000000, 'a');
    EXPECT_EQ(DigestOf(library, million, 1024), "7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(DigestOf(library, million, 999999), "7707d6ae4e027c70eea2a935c2296f21");
    // Every file starts afresh on the one handle.
    EXPECT_EQ(DigestOf(library, "abc", 1), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(DigestLibrary, EntryPointsKeepTheirContract) {
    QLibrary raw(QStringLiteral(SV_MD5_LIBRARY));
    ASSERT_TRUE(raw.load()) << raw.errorString().toStdString();
    using Create = std::int32_t (*)();
    using Init = std::int32_t (*)(std::int32_t);
    using Input = std::int32_t (*)(std::int32_t, const void*, std::int32_t);
    using Length = std::int32_t (*)(std::int32_t);
    using Text = std::int32_t (*)(std::int32_t, char*, std::int32_t);
    using Destroy = void (*)(std::int32_t);
    const auto create = reinterpret_cast<Create>(raw.resolve("CreateAlgorithm"));
    const auto init = reinterpret_cast<Init>(raw.resolve("InitAlgorithm"));
    const auto input = reinterpret_cast<Input>(raw.resolve("InputData"));
    const auto length = reinterpret_cast<Length>(raw.resolve("GetHashTextLength"));
    const auto text = reinterpret_cast<Text>(raw.resolve("GetHashText"));
    const auto destroy = reinterpret_cast<Destroy>(raw.resolve("DestroyAlgorithm"));
    ASSERT_TRUE(create && init && input && length && text && destroy);

    const std::int32_t a = create();
    const std::int32_t b = create();
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    ASSERT_NE(a, b);
    ASSERT_EQ(init(a), 0);
    ASSERT_EQ(init(b), 0);
    ASSERT_EQ(input(a, "ab", 2), 0);
    ASSERT_EQ(input(b, "xyz", 3), 0);
    ASSERT_EQ(input(a, "c", 1), 0);
    ASSERT_EQ(length(a), 32);
    char buffer[33];
    // The terminator needs room too.
    EXPECT_NE(text(a, buffer, 32), 0);
    ASSERT_EQ(text(a, buffer, 33), 0);
    EXPECT_EQ(std::string(buffer), "900150983cd24fb0d6963f7d28e17f72");
    // Once the digest is given, more data needs a new start.
    EXPECT_NE(input(a, "d", 1), 0);
    ASSERT_EQ(text(b, buffer, 33), 0);
    EXPECT_EQ(std::string(buffer), "d16fb36f0911f878998c136191af705e");
    destroy(a);
    destroy(b);
    EXPECT_NE(init(a), 0);
    EXPECT_NE(input(0, "x", 1), 0);
    EXPECT_NE(text(12345, buffer, 33), 0);
}

TEST(DigestLibrary, OnlyALibraryWithAllSixEntryPointsIsAvailable) {
    testing::TempFolder dir;
    dir.WriteBytes("libmd5.so", "not a library at all");
    DigestLibrary text(dir.NativeFile("libmd5.so"));
    EXPECT_FALSE(text.EnsureLoaded());
    EXPECT_FALSE(text.Loaded());
    DigestLibrary missing(dir.NativeFile("absent/libmd5.so"));
    EXPECT_FALSE(missing.EnsureLoaded());
    DigestLibrary partial(SV_MD5_PARTIAL_LIBRARY);
    EXPECT_FALSE(partial.EnsureLoaded());
    EXPECT_FALSE(partial.HashText());
    EXPECT_NE(partial.InitAlgorithm(), 0);

    DigestLibrary real(SV_MD5_LIBRARY);
    ASSERT_TRUE(real.EnsureLoaded());
    EXPECT_NE(real.LoadedFile().find("libmd5.so"), std::string::npos);
    real.Release();
    EXPECT_FALSE(real.Loaded());
    EXPECT_NE(real.InitAlgorithm(), 0);
    // Loaded again at the next run.
    ASSERT_TRUE(real.EnsureLoaded());
    EXPECT_EQ(DigestOf(real, "abc", 1024), "900150983cd24fb0d6963f7d28e17f72");
}

} // namespace
} // namespace sv
