# SPDX-License-Identifier: GPL-3.0-or-later
# Flags shared by every target of our own code.
add_library(sorvanta_flags INTERFACE)
target_compile_features(sorvanta_flags INTERFACE cxx_std_20)
target_compile_options(sorvanta_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
# Developers and CI keep the build free of warnings; a packager's build with a newer compiler
# should not fail on a warning that compiler adds (tools/build_deb.sh turns it off).
option(SORVANTA_WERROR "Treat compiler warnings as errors" ON)
if(SORVANTA_WERROR)
    target_compile_options(sorvanta_flags INTERFACE -Werror)
endif()
target_compile_definitions(sorvanta_flags INTERFACE QT_NO_CONTEXTLESS_CONNECT)

option(SORVANTA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(SORVANTA_SANITIZE)
    target_compile_options(sorvanta_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(sorvanta_flags INTERFACE -fsanitize=address,undefined)
endif()
