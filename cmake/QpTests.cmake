# qp_add_tests(LABEL label LIBS lib... [OWN_MAIN])
# Every *_test.cpp in the calling directory becomes its own executable, so a
# half-finished test file never blocks the build of the others. Each case is
# registered with CTest through gtest_discover_tests and carries LABEL.
find_package(GTest REQUIRED)
include(GoogleTest)

function(qp_add_tests)
  cmake_parse_arguments(QT "OWN_MAIN" "LABEL" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src IN LISTS test_sources)
    get_filename_component(stem ${src} NAME_WE)
    add_executable(${stem} ${src})
    target_link_libraries(${stem} PRIVATE ${QT_LIBS} GTest::gtest GTest::gmock)
    if(NOT QT_OWN_MAIN)
      target_link_libraries(${stem} PRIVATE GTest::gtest_main)
    endif()
    gtest_discover_tests(${stem}
      TEST_PREFIX "${stem}."
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${QT_LABEL}
                 ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen"
      DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()

# qp_add_fuzz(NAME name SOURCE file LIBS lib...)
# SOURCE defines LLVMFuzzerTestOneInput. With QP_FUZZ it becomes the libFuzzer
# binary fuzz_<name>; in every build it is also linked with a replay main()
# and CTest replays tests/fuzz/corpus/<name>/, so crashers found once stay
# covered under GCC too.
function(qp_add_fuzz)
  cmake_parse_arguments(QF "" "NAME;SOURCE" "LIBS" ${ARGN})
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${QF_NAME})
  add_executable(replay_${QF_NAME} ${QF_SOURCE} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(replay_${QF_NAME} PRIVATE ${QF_LIBS})
  if(QP_FUZZ)
    target_link_options(replay_${QF_NAME} PRIVATE -fsanitize=address,undefined)
    add_executable(fuzz_${QF_NAME} ${QF_SOURCE})
    target_compile_options(fuzz_${QF_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${QF_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${QF_NAME} PRIVATE ${QF_LIBS})
  endif()
  add_test(NAME fuzz_replay_${QF_NAME} COMMAND replay_${QF_NAME} ${corpus})
  set_tests_properties(fuzz_replay_${QF_NAME} PROPERTIES LABELS fuzz
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
