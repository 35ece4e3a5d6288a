# qv_gtest_suites(TARGET PREFIX prefix PROPERTIES props...)
# One ctest test per GoogleTest suite of TARGET, named PREFIX<Suite> and running --gtest_filter=<Suite>.*:
# for programs whose every process costs much (a Windows program under Wine pays about half a second to
# start, and the window tests more to set up), where one test per case would double the run. The suites
# are listed after each build by running the program (through its emulator), as gtest_discover_tests
# does for cases; PROPERTIES go to every suite's test. To run one case of a suite:
#   QV_GTEST_FILTER=Suite.Case ctest -R 'PREFIX<Suite>$'   (scripts/wine-run puts it in place of the filter)
set(QV_GTEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GTestSuitesAdd.cmake)

function(qv_gtest_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX" "PROPERTIES")
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites)
  get_property(emulator TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR)
  # What the listing step needs, in a file: lists do not survive a custom command's arguments.
  set(properties "")
  foreach(p IN LISTS arg_PROPERTIES)
    string(APPEND properties " [==[${p}]==]")
  endforeach()
  file(GENERATE OUTPUT ${base}_config.cmake CONTENT
"set(EXE [==[$<TARGET_FILE:${target}>]==])
set(EMULATOR [==[${emulator}]==])
set(PREFIX [==[${arg_PREFIX}]==])
set(PROPERTIES [===[${properties}]===])
set(OUT [==[${base}.cmake]==])
")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D CONFIG=${base}_config.cmake -P ${QV_GTEST_SUITES_SCRIPT}
    COMMENT "Listing the test suites of ${target}"
    VERBATIM)
  file(WRITE ${base}_include.cmake
"if(EXISTS [==[${base}.cmake]==])
  include([==[${base}.cmake]==])
else()
  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${base}_include.cmake)
endfunction()
