# `cmake --install` of the framework for applications built outside this
# project: its static libraries, the public headers (include/rozoru) and a
# CMake package, so that find_package(Rozoru) gives the one target
# Rozoru::rozoru. Included by the top-level CMakeLists.txt once src/ has made
# every library. Component "Development". Sets ROZORU_PACKAGE_LIBRARIES, the
# libraries it installs.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Every library of this project that `root` links, directly or through
# others, in `out`.
function(rozoru_project_libraries root out)
  set(todo ${root})
  set(found)
  while(todo)
    list(POP_FRONT todo t)
    if(NOT TARGET ${t})
      continue()
    endif()
    get_target_property(real ${t} ALIASED_TARGET)
    if(real)
      set(t ${real})
    endif()
    get_target_property(imported ${t} IMPORTED)
    if(imported OR t IN_LIST found)
      continue()
    endif()
    list(APPEND found ${t})
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(libs ${t} ${prop})
      foreach(lib IN LISTS libs)
        # A static library's private dependencies appear as $<LINK_ONLY:x>.
        string(REGEX REPLACE "^\\$<LINK_ONLY:([^>]*)>$" "\\1" lib "${lib}")
        list(APPEND todo ${lib})
      endforeach()
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

rozoru_project_libraries(rozoru ROZORU_PACKAGE_LIBRARIES)

# Inside this tree the libraries see include/ and src/ (and whatever other
# paths they name); installed, only the public headers exist.
foreach(t IN LISTS ROZORU_PACKAGE_LIBRARIES)
  get_target_property(dirs ${t} INTERFACE_INCLUDE_DIRECTORIES)
  if(NOT dirs)
    continue()
  endif()
  set(wrapped)
  foreach(d IN LISTS dirs)
    if(d MATCHES "^\\$<")
      list(APPEND wrapped "${d}")
    else()
      list(APPEND wrapped "$<BUILD_INTERFACE:${d}>")
    endif()
  endforeach()
  set_property(TARGET ${t} PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${wrapped})
endforeach()
target_include_directories(rozoru INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS ${ROZORU_PACKAGE_LIBRARIES} EXPORT RozoruTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/rozoru DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT Development)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Rozoru)
install(EXPORT RozoruTargets NAMESPACE Rozoru:: DESTINATION ${package_dir} COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/RozoruConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/RozoruConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/RozoruConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/RozoruConfig.cmake ${PROJECT_BINARY_DIR}/RozoruConfigVersion.cmake
        DESTINATION ${package_dir} COMPONENT Development)
