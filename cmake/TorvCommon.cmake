# Flags shared by every target of the project.

# Warnings on and clean; arithmetic evaluated exactly as written (no contraction into fused
# multiply-adds), so that the fixed-point and floating paths give the same bits on every target.
add_compile_options(-Wall -Wextra -ffp-contract=off)
# CI builds (scripts/test) fail on any warning. Third-party sources are compiled with their
# warnings off (-w, below and in bench/), so this holds for the project's own code only.
if(TORV_WERROR)
    add_compile_options(-Werror)
endif()

# GCC 12 reports -Wrestrict inside std::string's operator+ when it inlines it at -O2 (a known
# false positive of that release); the warning stays on for every other compiler.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()

if(WIN32)
    # Modules and programs carry their runtime with them: a host loads torv.dll without any
    # compiler runtime DLL next to it.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(TORV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(TORV_TSAN)
    if(TORV_SANITIZE)
        message(FATAL_ERROR "TORV_TSAN and TORV_SANITIZE exclude each other")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

if(TORV_FUZZ)
    # Coverage instrumentation for all code, so that the fuzzers are guided by what they reach in
    # the framework, not only by their own sources; the fuzzers add libFuzzer's driver themselves.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# GoogleTest from the sources Debian ships, built with the compiler of the target.
function(torv_use_googletest)
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # Third-party code: its own warnings are not ours to fix.
        target_compile_options(gtest PRIVATE -w)
        target_compile_options(gtest_main PRIVATE -w)
    endif()
endfunction()

# Windows test programs run under Wine through scripts/wine-run (TORV_WINE_ARCH comes from the
# toolchain file): CTest prefixes every test command of a program target with it.
if(TORV_WINE_ARCH)
    set(TORV_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TORV_WINE_RUN} ${TORV_WINE_ARCH})
endif()
