# Every test of a build tree, registered with ctest; the labels are the stages of `make test`:
#   build/native  native-unit, native-cli (each GoogleTest case a test, and jpegli's quality against
#                 libjpeg's by SSIMULACRA2), packages, install, fuzz-replay
#   build/tsan    tsan (the tests of threaded code under ThreadSanitizer)
#   build/win     win-unit (each suite a test), win-cli, gui (each suite a test), gui-120/144/192 (the
#                 display-scale tests again at 125/150/200 %), help, dist
# The Windows test programs run under Wine through scripts/wine-run, the emulator of the cross build. The
# Windows tests of one ctest run share Wine prefixes made by set-up tests and ended by clean-up tests
# (fixtures): `wine` without a display for the unit tests and the command line, `wine-gui` on an Xvfb
# display of its own for the window tests (which take turns: RESOURCE_LOCK), `wine-dpi` on a larger
# display for the runs at other display scales.
#   ctest --test-dir build/native -R 'unit\.Naming\.'      one suite
#   ctest --test-dir build/win -R 'gui\.AboutBoxTest$'      one suite under Wine
#   QV_GTEST_FILTER=AboutBoxTest.SystemMenuKeepsOnlyMoveAndClose ctest --test-dir build/win -R 'gui\.AboutBoxTest$'   one case
#   ctest --test-dir build/win -L gui -j2                   one stage
include(GoogleTest)
include(${CMAKE_CURRENT_LIST_DIR}/GTestSuites.cmake)

set(QV_TEST_RESULTS "${PROJECT_SOURCE_DIR}/build/test-results" CACHE PATH
    "Where the tests leave their logs and screenshots")
set(QV_WINE_SESSIONS "${PROJECT_BINARY_DIR}/wine-sessions")

# The path Wine gives a folder of this machine (Z: is the root).
function(qv_wine_path out path)
  string(REPLACE "/" "\\" windows "${path}")
  set(${out} "Z:${windows}" PARENT_SCOPE)
endfunction()

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Before the test programs are defined: it becomes their CROSSCOMPILING_EMULATOR.
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run;--session;${QV_WINE_SESSIONS}/main")
endif()

# The reference outputs of the conformance tests, made with libjpeg's own tools (scripts/make-refs), in
# the build tree where the unit tests look for them.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/refs/.stamp
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-refs ${PROJECT_BINARY_DIR}/refs
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-refs ${PROJECT_SOURCE_DIR}/tests/data/conformance_cases.tsv
  COMMENT "Making the reference outputs of the conformance tests"
  VERBATIM)
add_custom_target(quorvix_refs DEPENDS ${PROJECT_BINARY_DIR}/refs/.stamp)

# The HEIF test files, made from corpus photos with libheif's encoder (scripts/make-heif-samples), in the
# build tree beside the reference outputs.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/heif/.stamp
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-heif-samples ${PROJECT_BINARY_DIR}/heif
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-heif-samples
  COMMENT "Making the HEIF test files"
  VERBATIM)
add_custom_target(quorvix_heif_samples DEPENDS ${PROJECT_BINARY_DIR}/heif/.stamp)

set(QV_SCRIPT_TESTS ${PROJECT_SOURCE_DIR}/tests/scripts)

if(QV_TSAN)
  # Only the tests of threaded code are built in this tree (tests/unit/CMakeLists.txt).
elseif(NOT WIN32)
  add_test(NAME packages COMMAND ${QV_SCRIPT_TESTS}/packages.sh)
  add_test(NAME install COMMAND ${QV_SCRIPT_TESTS}/install.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(packages PROPERTIES LABELS packages TIMEOUT 300)
  set_tests_properties(install PROPERTIES LABELS install TIMEOUT 300)
  # jpegli's picture quality under a size bound against libjpeg's, scored with SSIMULACRA2.
  add_test(NAME cli.jpegli-quality COMMAND ${QV_SCRIPT_TESTS}/jpegli_quality.sh $<TARGET_FILE:quorvix>
           ${QV_NATIVE_DEPS}/bin/ssimulacra2)
  set_tests_properties(cli.jpegli-quality PROPERTIES LABELS native-cli TIMEOUT 300)
  # Each saved input of tests/fuzz/corpus/TARGET once through the target, under this tree's sanitizers.
  foreach(target fuzz_exif fuzz_exif_edit fuzz_decode fuzz_photo fuzz_heif)
    add_test(NAME fuzz-replay.${target} COMMAND ${target}_replay ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target})
    set_tests_properties(fuzz-replay.${target} PROPERTIES LABELS fuzz-replay TIMEOUT 600)
  endforeach()
else()
  set(sessions ${QV_WINE_SESSIONS})
  set(shots ${QV_TEST_RESULTS}/screenshots)
  qv_wine_path(shots_w ${shots})
  add_test(NAME wine-start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session start ${sessions}/main)
  add_test(NAME wine-stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session stop ${sessions}/main)
  add_test(NAME wine-gui-start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session start ${sessions}/gui
           --screen 1280x1024x24 --screenshots ${shots} QV_SCREENSHOT_DIR=${shots_w})
  add_test(NAME wine-gui-stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session stop ${sessions}/gui
           --screenshots ${shots})
  # Large enough for the window at 200 %.
  add_test(NAME wine-dpi-start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session start ${sessions}/dpi
           --screen 2560x1600x24 QV_SCREENSHOT_DIR=${shots_w})
  add_test(NAME wine-dpi-stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-session stop ${sessions}/dpi)
  foreach(session wine wine-gui wine-dpi)
    set_tests_properties(${session}-start PROPERTIES FIXTURES_SETUP ${session} LABELS fixture TIMEOUT 300)
    set_tests_properties(${session}-stop PROPERTIES FIXTURES_CLEANUP ${session} LABELS fixture TIMEOUT 120)
  endforeach()

  add_test(NAME win-cli COMMAND ${QV_SCRIPT_TESTS}/win_cli.sh $<TARGET_FILE:quorvix> ${sessions}/main)
  set_tests_properties(win-cli PROPERTIES LABELS win-cli FIXTURES_REQUIRED wine TIMEOUT 600)
  add_test(NAME win-cli-heif COMMAND ${QV_SCRIPT_TESTS}/win_heif.sh $<TARGET_FILE:quorvix> ${PROJECT_BINARY_DIR}/heif
           ${sessions}/main)
  set_tests_properties(win-cli-heif PROPERTIES LABELS win-cli FIXTURES_REQUIRED wine TIMEOUT 300)
  add_test(NAME help COMMAND ${QV_SCRIPT_TESTS}/help.sh ${PROJECT_BINARY_DIR}/Quorvix.chm)
  set_tests_properties(help PROPERTIES LABELS help TIMEOUT 300)
  # A prefix and a display of its own: it installs into the prefix.
  add_test(NAME dist COMMAND ${QV_SCRIPT_TESTS}/dist.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(dist PROPERTIES LABELS dist TIMEOUT 900)
endif()
