# The same sources give the same bytes, wherever and whenever they are built:
# no build folder's path in debug information or __FILE__, no link time in a
# Windows module.
add_compile_options(
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
  -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
if(WIN32)
  # A PE header's time stamp: none rather than the time of the link.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# The time the files of a package or archive carry: SOURCE_DATE_EPOCH when the
# builder gives it, else the time of the last commit (the same for every build
# of one commit), else the epoch.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VELMORA_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE VELMORA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET RESULT_VARIABLE git_result)
  if(NOT git_result EQUAL 0 OR NOT VELMORA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(VELMORA_SOURCE_DATE_EPOCH 0)
  endif()
endif()
