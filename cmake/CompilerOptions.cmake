# Warnings as errors in each compiler's own words. MSVC also gets the standard's behaviour where
# it would keep its own: UTF-8 sources, two-phase lookup and conformance, and a __cplusplus that
# tells the truth (Qt's headers test it).
if(MSVC)
  add_compile_options(/W4 /WX /utf-8 /permissive- /Zc:__cplusplus)
else()
  add_compile_options(-Wall -Wextra -Werror)
endif()
add_compile_definitions(QT_NO_KEYWORDS_WARNING QT_DEPRECATED_WARNINGS)

if(VORNIK_SANITIZE)
  if(MSVC)
    message(FATAL_ERROR "VORNIK_SANITIZE needs GCC or Clang with their -fsanitize=address,undefined; "
                        "${CMAKE_CXX_COMPILER_ID} in MSVC mode has no UndefinedBehaviorSanitizer")
  endif()
  # Undefined behaviour ends the process instead of printing a line and going on, so it fails the
  # test that ran into it rather than scrolling past in a passing log.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VORNIK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR MSVC)
    message(FATAL_ERROR "VORNIK_FUZZ needs clang with its GNU-style driver and libFuzzer: "
                        "configure with -DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  # Every library a target reaches, the plug-in loaded at run time included, reports its coverage
  # to libFuzzer; only the targets link its driver. A finding must stop the run where it happens.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
