# The Windows build, cross-compiled with MinGW-w64 by scripts/build-windows: the library's layers
# with the system's own text calls in place of ICU and without SQLite (the callers bring their own
# recordsets), linked into Tavlora.dll, the in-process automation server, with its type library.
#
# A file named ...Posix.cpp or ...Icu.cpp, or Sqlite...cpp, is Linux's side of a platform interface;
# the folder windows/ beside it holds the Windows side. The C interface and its data sources
# (SQLite, ODBC through unixODBC) are for Linux clients: on Windows callers reach the classes through
# the object runtime and bring their own recordsets.
set(TAVLORA_WINDOWS_DEPS "" CACHE PATH "Prefix of the MinGW builds of pugixml, libzip and libdeflate")
if(NOT EXISTS "${TAVLORA_WINDOWS_DEPS}/lib/libzip.a")
  message(FATAL_ERROR "TAVLORA_WINDOWS_DEPS does not hold the MinGW libraries: run scripts/build-windows")
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # GCC 12 for i686 takes a moved-from std::vector temporary in the lookup functions for a free of
  # an unallocated object (a false report of its flow analysis; x64 and Linux builds are clean).
  list(APPEND TAVLORA_WARNINGS -Wno-free-nonheap-object)
endif()

set(TAVLORA_WINDOWS_SOURCES)
foreach(folder ${TAVLORA_SOURCE_FOLDERS})
  file(GLOB folder_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/src/${folder}/windows/*.cpp)
  list(FILTER folder_sources EXCLUDE REGEX
       "(Posix|Icu)\\.cpp$|/(Sqlite|Odbc)[^/]*\\.cpp$|/server/windows/|/server/(CApi|DataSourceFactory)\\.cpp$")
  list(APPEND TAVLORA_WINDOWS_SOURCES ${folder_sources})
endforeach()

add_library(tavlora STATIC ${TAVLORA_WINDOWS_SOURCES})
target_include_directories(tavlora PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include
                           ${TAVLORA_WINDOWS_DEPS}/include)
# Windows 7 and later: LCMapStringEx, CompareStringEx; no min/max macros over std::min.
target_compile_definitions(tavlora PUBLIC _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX UNICODE _UNICODE
                           PUGIXML_STATIC_LIB _POSIX_THREAD_SAFE_FUNCTIONS)
target_compile_options(tavlora PRIVATE ${TAVLORA_WARNINGS})
target_link_libraries(tavlora PUBLIC ${TAVLORA_WINDOWS_DEPS}/lib/libzip.a ${TAVLORA_WINDOWS_DEPS}/lib/libpugixml.a
                      ${TAVLORA_WINDOWS_DEPS}/lib/libdeflate.a -l:libz.a bcrypt ole32 oleaut32 uuid advapi32)

# The type library, compiled from the IDL that the dispatch tables generate, travels inside the DLL.
# widl needs the base types (BSTR, VARIANT_BOOL, ...) from oaidl.idl, which Wine's headers carry,
# and stdole2.tlb, which Wine itself carries.
find_program(TAVLORA_WIDL NAMES ${TAVLORA_MINGW_TRIPLET}-widl widl REQUIRED)
find_path(TAVLORA_IDL_INCLUDE_DIR oaidl.idl PATHS /usr/include/wine/wine/windows NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(TAVLORA_STDOLE_DIR stdole2.tlb PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
          /usr/lib/i386-linux-gnu/wine/i386-windows NO_CMAKE_FIND_ROOT_PATH REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVLORA_WIDL_TARGET --win64)
else()
  set(TAVLORA_WIDL_TARGET --win32)
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/TavloraTypeLibrary.idl
     CONTENT "import \"oaidl.idl\";\n#include \"Tavlora.idl\"\n")
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/Tavlora.tlb
  COMMAND ${TAVLORA_WIDL} ${TAVLORA_WIDL_TARGET} -t -I ${TAVLORA_IDL_INCLUDE_DIR} -I ${PROJECT_SOURCE_DIR}/src/server
          -L ${TAVLORA_STDOLE_DIR} -o ${PROJECT_BINARY_DIR}/Tavlora.tlb ${PROJECT_BINARY_DIR}/TavloraTypeLibrary.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/src/server/Tavlora.idl VERBATIM)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/TavloraTypeLibrary.rc CONTENT "1 TYPELIB \"Tavlora.tlb\"\n")
set_source_files_properties(${PROJECT_BINARY_DIR}/TavloraTypeLibrary.rc PROPERTIES
  OBJECT_DEPENDS ${PROJECT_BINARY_DIR}/Tavlora.tlb)

file(GLOB TAVLORA_SERVER_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/server/windows/*.cpp)
list(FILTER TAVLORA_SERVER_SOURCES EXCLUDE REGEX "/ComServer\\.cpp$")
# The server's parts, shared by the DLL and the bridge's test program.
add_library(tavlora_server_objects OBJECT ${TAVLORA_SERVER_SOURCES})
target_compile_options(tavlora_server_objects PRIVATE ${TAVLORA_WARNINGS})
target_link_libraries(tavlora_server_objects PUBLIC tavlora)

add_library(TavloraServer SHARED ${PROJECT_SOURCE_DIR}/src/server/windows/ComServer.cpp
            ${PROJECT_SOURCE_DIR}/src/server/windows/Tavlora.def ${PROJECT_BINARY_DIR}/TavloraTypeLibrary.rc)
set_target_properties(TavloraServer PROPERTIES OUTPUT_NAME Tavlora PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_include_directories(TavloraServer PRIVATE ${PROJECT_BINARY_DIR})
target_compile_options(TavloraServer PRIVATE ${TAVLORA_WARNINGS})
# Nothing but the DLL itself and the system: the compiler's runtime is linked in. The 32-bit
# entry points are __stdcall: the .def file's plain names are matched to their decorated symbols.
target_link_options(TavloraServer PRIVATE -static -static-libgcc -static-libstdc++
                    $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>:-Wl,--enable-stdcall-fixup>)
target_link_libraries(TavloraServer PRIVATE tavlora_server_objects tavlora)

add_executable(tavlora-variant-bridge-test ${PROJECT_SOURCE_DIR}/tests/server/windows/VariantBridgeTest.cpp)
set_target_properties(tavlora-variant-bridge-test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_compile_options(tavlora-variant-bridge-test PRIVATE ${TAVLORA_WARNINGS})
target_link_options(tavlora-variant-bridge-test PRIVATE -static)
target_link_libraries(tavlora-variant-bridge-test PRIVATE tavlora_server_objects tavlora)

# The client test: creates every class through the system's object runtime and calls it by name.
add_executable(tavlora-com-client ${PROJECT_SOURCE_DIR}/tests/server/windows/ComClient.cpp)
set_target_properties(tavlora-com-client PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_compile_definitions(tavlora-com-client PRIVATE _WIN32_WINNT=0x0601 NOMINMAX UNICODE _UNICODE)
target_compile_options(tavlora-com-client PRIVATE ${TAVLORA_WARNINGS})
target_link_options(tavlora-com-client PRIVATE -static -municode)
target_link_libraries(tavlora-com-client PRIVATE ole32 oleaut32 uuid)

# The platform interfaces' own tests (character case, encoding conversion, positioned writes), the
# same sources as on Linux, run against the Windows side under Wine. GoogleTest is built from the
# sources Debian's libgtest-dev ships.
set(TAVLORA_GTEST_DIR /usr/src/googletest/googletest)
if(EXISTS ${TAVLORA_GTEST_DIR}/src/gtest-all.cc)
  add_library(tavlora_gtest STATIC ${TAVLORA_GTEST_DIR}/src/gtest-all.cc ${TAVLORA_GTEST_DIR}/src/gtest_main.cc)
  target_include_directories(tavlora_gtest PUBLIC ${TAVLORA_GTEST_DIR}/include PRIVATE ${TAVLORA_GTEST_DIR})
  add_executable(tavlora-platform-test ${PROJECT_SOURCE_DIR}/tests/base/CharacterCaseTest.cpp
                 ${PROJECT_SOURCE_DIR}/tests/base/FileIoTest.cpp ${PROJECT_SOURCE_DIR}/tests/data/EncodingConversionTest.cpp)
  set_target_properties(tavlora-platform-test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  target_compile_options(tavlora-platform-test PRIVATE ${TAVLORA_WARNINGS})
  target_link_options(tavlora-platform-test PRIVATE -static)
  target_link_libraries(tavlora-platform-test PRIVATE tavlora tavlora_gtest)
else()
  message(FATAL_ERROR "GoogleTest's sources are missing: install libgtest-dev")
endif()
