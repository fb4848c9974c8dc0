# Test helpers. googletest is built from Debian's sources in both configurations, so the win32
# tests link a cross-built copy.
set(QT_GTEST_SRC /usr/src/googletest CACHE PATH "googletest sources")
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QT_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# qt_test(NAME sources... LIBS libs... [LOCALES locales...]): one googletest program. Natively
# every case is its own ctest entry; under Wine the whole program is one entry, since each start
# of a process there costs far more than the cases themselves. Under Wine it runs once for each
# of LOCALES (default zh_CN, code page 936): de_DE gives a system whose ANSI code page is 1252,
# in a prefix of its own, as entry NAME_de_DE.
function(qt_test name)
  cmake_parse_arguments(T "" "" "LIBS;LOCALES" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    if(NOT T_LOCALES)
      set(T_LOCALES zh_CN)
    endif()
    foreach(locale IN LISTS T_LOCALES)
      if(locale STREQUAL "zh_CN")
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES TIMEOUT 600)
      else()
        add_test(NAME ${name}_${locale} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name}_${locale} PROPERTIES TIMEOUT 600 ENVIRONMENT
                             "QT_WINE_LANG=${locale}.UTF-8;WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-${locale}")
      endif()
    endforeach()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
