# What `cmake --install` and the Debian packages hold, in three components:
#   lib     libtavlora.so.N (the runtime library)
#   dev     the C interface and the C++ failure and constant headers, libtavlora.so, tavlora.pc,
#           the CMake package Tavlora (find_package(Tavlora) gives Tavlora::tavlora)
#   python  the Python module and its type stub
# The class headers of include/tavlora/ are not installed: they reach into the library's private
# headers, whose symbols the shared library hides. C++ programs built in this tree link the
# static library; installed programs use the C interface.
set(TAVLORA_PUBLIC_HEADERS
  ${PROJECT_SOURCE_DIR}/include/tavlora/tavlora.h
  ${PROJECT_SOURCE_DIR}/include/tavlora/Export.h
  ${PROJECT_SOURCE_DIR}/include/tavlora/Failures.h
  ${PROJECT_SOURCE_DIR}/include/tavlora/Constants.h
  ${PROJECT_SOURCE_DIR}/include/tavlora/ePosType.h)
set(TAVLORA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavlora)

if(TARGET tavlora_shared)
  install(TARGETS tavlora_shared EXPORT TavloraTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev)
  install(FILES ${TAVLORA_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavlora COMPONENT dev)
  install(EXPORT TavloraTargets NAMESPACE Tavlora:: DESTINATION ${TAVLORA_CMAKE_DIR} COMPONENT dev)

  include(CMakePackageConfigHelpers)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TavloraConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TavloraConfig.cmake INSTALL_DESTINATION ${TAVLORA_CMAKE_DIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/TavloraConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/TavloraConfig.cmake ${PROJECT_BINARY_DIR}/TavloraConfigVersion.cmake
    DESTINATION ${TAVLORA_CMAKE_DIR} COMPONENT dev)

  # The prefix is found from the file's own place, so the same file serves /usr, /usr/local and
  # an unpacked package in a scratch folder.
  file(RELATIVE_PATH TAVLORA_PC_TO_PREFIX
    /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tavlora.pc.in ${PROJECT_BINARY_DIR}/tavlora.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/tavlora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endif()

if(TARGET tavlora_python)
  # Debian's interpreter finds modules of packages in dist-packages.
  set(TAVLORA_PYTHON_DIR lib/python3/dist-packages CACHE STRING "Where the Python module is installed")
  install(TARGETS tavlora_python LIBRARY DESTINATION ${TAVLORA_PYTHON_DIR} COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/src/server/python/tavlora.pyi DESTINATION ${TAVLORA_PYTHON_DIR}
    COMPONENT python)
endif()

set(CPACK_PACKAGE_NAME tavlora)
set(CPACK_PACKAGE_VENDOR "Tavlora")
set(CPACK_PACKAGE_CONTACT "Tavlora developers <tavlora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Template-based spreadsheet reports")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lib dev python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_LIB_PACKAGE_NAME libtavlora${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtavlora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libtavlora${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tavlora)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
set(CPACK_COMPONENT_LIB_DESCRIPTION "Tavlora report library: the shared library")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Tavlora report library: C interface headers, pkg-config file and CMake package")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Tavlora report library: the Python module")
include(CPack)
