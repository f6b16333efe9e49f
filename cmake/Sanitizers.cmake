# Instrumented builds; each goes in a build folder of its own (scripts/test-sanitizers,
# scripts/fuzz). Include before the first add_subdirectory so every target gets the flags.
#
#   LEXIVO_SANITIZE  AddressSanitizer + UndefinedBehaviorSanitizer on everything (gcc or clang)
#   LEXIVO_FUZZ      the libFuzzer targets in fuzz/ (clang only); everything they link is
#                    built with coverage instrumentation and the same sanitizers
option(LEXIVO_SANITIZE "Build everything with AddressSanitizer and UBSan" OFF)
option(LEXIVO_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

# Undefined behaviour aborts instead of printing and going on, so a test or a fuzzer fails on it.
set(LEXIVO_SANITIZER_FLAGS
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

if(LEXIVO_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(WARNING "LEXIVO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++); no fuzz targets")
    set(LEXIVO_FUZZ OFF)
endif()

if(LEXIVO_FUZZ)
    add_compile_options(${LEXIVO_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=address,undefined)
elseif(LEXIVO_SANITIZE)
    add_compile_options(${LEXIVO_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()
