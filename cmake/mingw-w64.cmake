# Cross-compiles for Windows with MinGW-w64's posix-thread compilers (GoogleTest
# needs std::mutex, which the win32-thread variant lacks). Included by the
# toolchain files, which set CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_target ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Each tool is looked up here, before project() caches anything. Were one
# missing, CMake would go on and cache what it finds instead (empty
# optimisation flags, the host's ar), and a configure after the install would
# keep that and build an unoptimised program without a word. So a missing tool
# stops the configure at once, naming the Debian package that brings it.
string(REPLACE "_" "-" mingw_package_arch ${CMAKE_SYSTEM_PROCESSOR})
function(mingw_require_tool variable tool package)
  find_program(found ${mingw_target}-${tool} NO_CACHE)
  if(NOT found)
    message(FATAL_ERROR "${mingw_target}-${tool} is not on the PATH. It comes with the Debian package "
                        "${package} (or all of MinGW-w64 with mingw-w64): apt-get install ${package}")
  endif()
  set(${variable} ${found} PARENT_SCOPE)
endfunction()

mingw_require_tool(CMAKE_C_COMPILER gcc-posix gcc-mingw-w64-${mingw_package_arch}-posix)
mingw_require_tool(CMAKE_CXX_COMPILER g++-posix g++-mingw-w64-${mingw_package_arch}-posix)
mingw_require_tool(CMAKE_RC_COMPILER windres binutils-mingw-w64-${mingw_package_arch})
mingw_require_tool(CMAKE_AR ar binutils-mingw-w64-${mingw_package_arch})
