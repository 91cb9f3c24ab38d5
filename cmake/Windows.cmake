# The Windows build (MinGW-w64, cross-compiled or native): the Win32
# back-ends in src/platform/win32 replace the Linux and X11 ones, GoogleTest
# is built from source with the same compiler, and the tests run through Wine
# when cross-compiled.

set(TARVIK_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR}/../src/platform/win32)
cmake_path(NORMAL_PATH TARVIK_WIN32_DIR)

# Files that speak POSIX, /proc or X11; their Windows counterparts are in win32/.
set(TARVIK_LINUX_ONLY_SOURCES_REGEX "/src/platform/(Linux[^/]*|X11[^/]*|CopyRegistry\\.(cpp|h)|FileLock\\.cpp|WholeFile\\.cpp|MenusFolder\\.cpp|ProcessExecutable\\.cpp|KeyTable\\.(cpp|h))$")
# Tests of those files, and the desktop tests, which drive an X server.
set(TARVIK_LINUX_ONLY_TESTS_REGEX
    "/tests/(unit/(command_line|copy_registry|file_lock|key_table|linux_files|process_executable)_test\\.cpp|desktop/.*|support/DesktopSupport\\.(cpp|h))$")

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

if(TARVIK_BUILD_TESTS)
  if(NOT TARVIK_GOOGLETEST_SOURCE)
    set(TARVIK_GOOGLETEST_SOURCE /usr/src/googletest)
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TARVIK_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM)
  # Test cases are listed when the tests run, through the emulator (Wine),
  # not after every link.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(TARVIK_WINE NAMES wine64 wine PATHS /usr/lib/wine)
    if(TARVIK_WINE)
      set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVIK_WINE})
    endif()
  endif()
endif()

# Runs once CMakeLists.txt has declared every target: swaps the platform
# sources and drops the Linux-only tests.
function(tarvik_windows_targets)
  foreach(target tarvik_platform tarvik_core)
    if(TARGET ${target})
      get_target_property(sources ${target} SOURCES)
      list(FILTER sources EXCLUDE REGEX "${TARVIK_LINUX_ONLY_SOURCES_REGEX}")
      file(GLOB win32 CONFIGURE_DEPENDS ${TARVIK_WIN32_DIR}/*.cpp ${TARVIK_WIN32_DIR}/*.h)
      set_property(TARGET ${target} PROPERTY SOURCES ${sources} ${win32})
      target_link_libraries(${target} PUBLIC shell32 ole32 user32 advapi32)
      break()
    endif()
  endforeach()
  # A window program: started from the Explorer or by another program
  # (a sub-menu), a console program would open a console window beside it.
  if(TARGET tarvik)
    set_target_properties(tarvik PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  if(TARGET tarvik_test_support)
    get_target_property(sources tarvik_test_support SOURCES)
    list(FILTER sources EXCLUDE REGEX "${TARVIK_LINUX_ONLY_TESTS_REGEX}")
    set_property(TARGET tarvik_test_support PROPERTY SOURCES ${sources})
  endif()
endfunction()
cmake_language(DEFER CALL tarvik_windows_targets)
