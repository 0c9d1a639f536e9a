# Project-wide helpers: compile settings, pure libraries, native tests and
# Windows tests that run under Wine.

set(QV_SIM_DIR ${CMAKE_SOURCE_DIR}/sim)

# The bench runs what this build makes: the 32-bit programs that ship, or the
# same sources built for x86-64, for machines that cannot start 32-bit
# programs. A 64-bit program only runs in a 64-bit prefix.
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(QV_PROGRAM_BITS 64)
  set(QV_PREFIX_ARCHES win64)
else()
  set(QV_PROGRAM_BITS 32)
  set(QV_PREFIX_ARCHES win32 win64)
endif()

# The compiler's warnings, in its own spelling.
function(qv_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()

# Settings every target of ours gets.
function(qv_target_defaults target)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  qv_warnings(${target})
  if(WIN32)
    # Windows 2000: a call newer than that does not compile unless it is
    # looked up at run time.
    target_compile_definitions(${target} PUBLIC
      UNICODE _UNICODE WINVER=0x0500 _WIN32_WINNT=0x0500 NOMINMAX)
    # Winsock calls by name, not through their import slots: see
    # support/Winsock.h (a delay-loaded ws2_32.dll needs it).
    target_compile_definitions(${target} PUBLIC WINSOCK_API_LINKAGE=)
  endif()
endfunction()

# A library of code that includes no Windows header; it is built for both
# targets, so its tests can run natively under the sanitizers.
function(qv_pure_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  qv_target_defaults(${name})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# A library of Win32 code that both programs link, the helper too: it takes
# no UNICODE and defines nothing for its users (its code calls the wide or
# the ANSI functions by name). Only the Windows build has it.
function(qv_neutral_library name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE WINVER=0x0500 _WIN32_WINNT=0x0500 NOMINMAX)
  qv_warnings(${name})
  if(A_LIBS)
    target_link_libraries(${name} PRIVATE ${A_LIBS})
  endif()
endfunction()

# A library of Win32 code; only the Windows build has it.
function(qv_win_library name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  qv_target_defaults(${name})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# True when every listed source of a test exists. A missing source stops the
# configuration: a test must never drop out of the run unnoticed.
function(qv_sources_present out)
  set(ok TRUE)
  foreach(f ${ARGN})
    if(NOT IS_ABSOLUTE ${f})
      set(f ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    endif()
    if(NOT EXISTS ${f} AND NOT f MATCHES "\\$<")
      message(FATAL_ERROR "test source ${f} is missing")
      set(ok FALSE)
    endif()
  endforeach()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# A GoogleTest program of the native build, run directly by CTest.
function(qv_native_test name)
  if(WIN32 OR QV_FUZZ)  # the fuzz build has no GoogleTest
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  qv_sources_present(present ${A_SOURCES})
  if(NOT present OR NOT TARGET GTest::gtest)
    return()
  endif()
  add_executable(${name} ${A_SOURCES} ${CMAKE_SOURCE_DIR}/tests/gtest/FilterGuard.cpp)
  qv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "native;${A_LABELS}" TIMEOUT 300)
endfunction()

# A Windows test program (GoogleTest); register runs of it with qv_wine_run.
function(qv_wine_exe name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(A "CONSOLE_MAIN" "" "SOURCES;LIBS" ${ARGN})
  qv_sources_present(present ${A_SOURCES})
  if(NOT present OR NOT TARGET GTest::gtest)
    return()
  endif()
  add_executable(${name} ${A_SOURCES} ${CMAKE_SOURCE_DIR}/tests/gtest/FilterGuard.cpp)
  qv_target_defaults(${name})
  if(A_CONSOLE_MAIN)
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main)
  endif()
endfunction()

# Runs a Windows program in a fresh copy of a prepared Wine prefix.
#   qv_wine_run(NAME n EXE target [ARCH win32|win64] [VERSION winxp]
#               [LANG en_US.UTF-8] [LABELS ...] [ARGS ...] [TIMEOUT s] [DISPLAY]
#               [ONLY_32BIT reason] [SERIAL COMn])
# DISPLAY marks tests that open windows: each has an X server of its own,
# so that its screenshots show only its own windows while other tests run.
# In the x86-64 build every run takes the 64-bit prefix; ONLY_32BIT names a run whose subject the 64-bit
# program does not have (WOW64): there it is registered as skipped, with the
# reason, so that the skip is seen. SERIAL gives the prefix a serial port of
# that name on the bench's pseudo-terminal (sim/README.md).
function(qv_wine_run)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(A "DISPLAY" "NAME;EXE;ARCH;VERSION;LANG;TIMEOUT;ONLY_32BIT;DPI;SERIAL" "LABELS;ARGS" ${ARGN})
  if(NOT TARGET ${A_EXE})
    return()
  endif()
  if(NOT A_ARCH OR QV_PROGRAM_BITS EQUAL 64)
    set(A_ARCH win${QV_PROGRAM_BITS})
  endif()
  if(A_ONLY_32BIT AND QV_PROGRAM_BITS EQUAL 64)
    add_test(NAME ${A_NAME} COMMAND sh -c "echo \"SKIPPED: ${A_NAME}: $0\"; exit 77" "${A_ONLY_32BIT}")
    set_tests_properties(${A_NAME} PROPERTIES LABELS "wine;${A_ARCH};${A_LABELS}" SKIP_RETURN_CODE 77)
    return()
  endif()
  if(NOT A_VERSION)
    set(A_VERSION default)
  endif()
  if(NOT A_LANG)
    set(A_LANG en_US.UTF-8)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set(prefix_args)
  if(A_DPI)
    set(prefix_args --dpi ${A_DPI})
  endif()
  if(A_SERIAL)
    list(APPEND prefix_args --serial ${A_SERIAL})
  endif()
  if(A_DISPLAY)
    list(APPEND prefix_args --own-display)
  endif()
  add_test(NAME ${A_NAME}
    COMMAND bash ${QV_SIM_DIR}/wine/run-test.sh
      --build ${CMAKE_BINARY_DIR} --bits ${QV_PROGRAM_BITS} --arch ${A_ARCH} --version ${A_VERSION}
      --lang ${A_LANG} --name ${A_NAME} ${prefix_args}
      -- $<TARGET_FILE:${A_EXE}> ${A_ARGS})
  set(labels wine ${A_ARCH} ${A_LABELS})
  set_tests_properties(${A_NAME} PROPERTIES
    LABELS "${labels}"
    TIMEOUT ${A_TIMEOUT}
    SKIP_RETURN_CODE 77  # sim/wine/machine-check.sh: no 32-bit programs on this machine
    FIXTURES_REQUIRED prefix_${A_ARCH})
  if("e2e" IN_LIST A_LABELS)
    # The long runs start first, so that the short ones fill the gaps
    # beside them rather than leave the last long one alone at the end.
    set_tests_properties(${A_NAME} PROPERTIES COST 100)
  endif()
endfunction()

# windres does not report the files a script includes; name them so that a
# change to a text, a template or a picture rebuilds every user of the script.
function(qv_resource_script_depends)
  file(GLOB deps ${CMAKE_SOURCE_DIR}/wizard/res/*.rc ${CMAKE_SOURCE_DIR}/wizard/res/*.h
       ${CMAKE_SOURCE_DIR}/wizard/res/*.bmp ${CMAKE_SOURCE_DIR}/wizard/res/*.ico
       ${CMAKE_SOURCE_DIR}/wizard/res/*.manifest.in)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/wizard/res/QuorvexSetup.rc PROPERTIES OBJECT_DEPENDS "${deps}")
  # The manifest's assembly identity carries the program's version, from
  # context/Version.h like every other place that names it.
  file(STRINGS ${CMAKE_SOURCE_DIR}/context/Version.h version_line REGEX "^#define QV_VERSION_TEXT ")
  string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" QV_VERSION_TEXT "${version_line}")
  set(gen ${CMAKE_BINARY_DIR}/wizard-res)
  file(READ ${CMAKE_SOURCE_DIR}/wizard/res/QuorvexSetup.manifest.in text)
  if(QV_PROGRAM_BITS EQUAL 64)
    # A manifest names the program's processor architecture, and Windows
    # refuses a common-controls dependency of another one. The x86-64 build
    # takes the same manifest with its own architecture; the script picks
    # it by _WIN64.
    string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"amd64\"" text "${text}")
    file(CONFIGURE OUTPUT ${gen}/QuorvexSetup-x64.manifest CONTENT "${text}" @ONLY)
  else()
    file(CONFIGURE OUTPUT ${gen}/QuorvexSetup.manifest CONTENT "${text}" @ONLY)
  endif()
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/wizard/res/QuorvexSetup.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${gen})
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/wizard/res/QuorvexSetup.manifest.in ${CMAKE_SOURCE_DIR}/context/Version.h)
endfunction()

# Links TARGET to DLL (not one of the system's known DLLs) delay-loaded: the
# delay-load hook of support/SystemLibrary.cpp loads it from the system
# folder on first use, where an import at start-up would have the loader
# look in the program's folder first. DEF lists the functions the programs
# call, with the 32-bit names' @N; makes the imported library qv_STEM_delay.
#   qv_delay_loaded_dll(target STEM winspool DLL winspool.drv DEF file.def)
function(qv_delay_loaded_dll target)
  cmake_parse_arguments(A "" "STEM;DLL;DEF" "" ${ARGN})
  if(NOT MINGW)
    target_link_libraries(${target} PUBLIC ${A_STEM} delayimp)
    target_link_options(${target} INTERFACE /DELAYLOAD:${A_DLL})
    return()
  endif()
  set(delay_lib ${CMAKE_CURRENT_BINARY_DIR}/lib${A_STEM}_delay.a)
  set(delay_def ${A_DEF})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # x86-64 has one calling convention and no @N in its symbol names: the
    # x86-64 build takes the same list without them.
    file(READ ${A_DEF} def_text)
    string(REGEX REPLACE "@[0-9]+" "" def_text "${def_text}")
    get_filename_component(def_name ${A_DEF} NAME_WE)
    set(delay_def ${CMAKE_CURRENT_BINARY_DIR}/${def_name}-x64.def)
    set(old_text "")
    if(EXISTS ${delay_def})
      file(READ ${delay_def} old_text)
    endif()
    if(NOT old_text STREQUAL def_text)
      file(WRITE ${delay_def} "${def_text}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${A_DEF})
  endif()
  add_custom_command(OUTPUT ${delay_lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${delay_def}
            --kill-at --output-delaylib ${delay_lib}
    DEPENDS ${delay_def}
    COMMENT "Delay-load import library for ${A_DLL}")
  add_custom_target(${A_STEM}_delay DEPENDS ${delay_lib})
  add_library(qv_${A_STEM}_delay STATIC IMPORTED GLOBAL)
  set_target_properties(qv_${A_STEM}_delay PROPERTIES IMPORTED_LOCATION ${delay_lib})
  add_dependencies(${target} ${A_STEM}_delay)
  target_link_libraries(${target} PUBLIC qv_${A_STEM}_delay)
endfunction()
