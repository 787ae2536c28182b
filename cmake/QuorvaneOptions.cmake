# Flags shared by every target of the project.
#   quorvane_options: warnings as errors, C++20, GBK execution character set.
add_library(quorvane_options INTERFACE)
target_compile_features(quorvane_options INTERFACE cxx_std_20)
target_compile_options(quorvane_options INTERFACE -Wall -Wextra -Werror -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # The program's Chinese texts are written in UTF-8 source and compiled to GBK bytes.
  target_compile_options(quorvane_options INTERFACE -finput-charset=UTF-8 -fexec-charset=CP936)
endif()
if(WIN32)
  target_compile_definitions(quorvane_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_link_options(quorvane_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
if(QUORVANE_SANITIZE)
  target_compile_options(quorvane_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quorvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(QUORVANE_FUZZ)
  # Coverage for libFuzzer in every library the fuzz targets link.
  target_compile_options(quorvane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(quorvane_options INTERFACE -fsanitize=address,undefined)
endif()
