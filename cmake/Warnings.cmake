# Warnings, sanitizers and the static runtime, applied to every target of ours.
add_compile_options(-Wall -Wextra -Wshadow -Wno-unused-parameter)
if(VELMORA_WERROR)
  add_compile_options(-Werror)
endif()

if(VELMORA_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELMORA_SANITIZE_THREAD AND NOT WIN32)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VELMORA_FUZZ)
  # Coverage for libFuzzer everywhere; the fuzz targets link its driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(EMSCRIPTEN)
  # WebAssembly's 128-bit SIMD, which every current browser runs; emscripten
  # gives the SSE2 intrinsics of the fading step on it.
  add_compile_options(-msimd128 -msse2)
  add_link_options(-msimd128)
endif()

if(WIN32)
  # A user's machine has no MinGW runtime DLLs: link the C and C++ runtimes in.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
