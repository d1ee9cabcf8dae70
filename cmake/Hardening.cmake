# Removes the compilers' identification (.comment) from a program: it says
# nothing a user needs, and Debian asks that it go.
function(velmora_release_program target)
  if(NOT VELMORA_HARDENED)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# Debian's hardening for the release builds of the Linux programs: the flags
# dpkg-buildflags gives with every hardening feature on, or, without dpkg, the
# same set written out. Debug and sanitizer builds are left as they are
# (fortification needs optimisation, and the sanitizers check more).
set(VELMORA_HARDENED OFF)
if(WIN32 OR EMSCRIPTEN OR VELMORA_SANITIZE OR VELMORA_SANITIZE_THREAD OR VELMORA_FUZZ
   OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()

find_program(VELMORA_DPKG_BUILDFLAGS dpkg-buildflags)
if(VELMORA_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${VELMORA_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses optimisation and debug information, and the
    # prefix maps of the reproducible build name this tree's own folders.
    list(FILTER flags EXCLUDE REGEX "^(-O[0-9s]?|-g|-ffile-prefix-map=.*)$")
    set(hardening_${kind} ${flags})
  endforeach()
  add_compile_options(${hardening_CPPFLAGS} ${hardening_CXXFLAGS})
  add_link_options(${hardening_LDFLAGS})
else()
  add_compile_options(-fPIE -fstack-protector-strong -D_FORTIFY_SOURCE=2 -Wformat -Werror=format-security)
  add_link_options(-pie -Wl,-z,relro -Wl,-z,now)
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(VELMORA_HARDENED ON)
