# Gaugette and BrevantJPEG as libraries others build on: their public headers, a CMake
# package (find_package(NAME), target NAME::NAME) and a pkg-config file each. The headers
# go into a folder of their own, which consumers put on their include path, so that they
# are included as in this tree ("GraphicBar.h", "JPEG.h").
include(CMakePackageConfigHelpers)

# Relative, so that the files work under any prefix (also one unpacked elsewhere).
set(QUILLET_CMAKE_PACKAGES ${CMAKE_INSTALL_LIBDIR}/cmake)
file(RELATIVE_PATH QUILLET_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")

# quillet_install_library(TARGET target NAME Name QT QtModule DESCRIPTION text HEADERS ...)
function(quillet_install_library)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;NAME;QT;DESCRIPTION" "HEADERS")
    set(QUILLET_LIB_NAME ${arg_NAME})
    set(QUILLET_LIB_QT ${arg_QT})
    set(QUILLET_LIB_DESCRIPTION ${arg_DESCRIPTION})
    set(QUILLET_LIB_FILE ${arg_TARGET})
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/packages/${arg_NAME})

    # Consumers name it as they find it; the build has the same name for symmetry.
    set_target_properties(${arg_TARGET} PROPERTIES EXPORT_NAME ${arg_NAME})
    add_library(${arg_NAME}::${arg_NAME} ALIAS ${arg_TARGET})

    install(TARGETS ${arg_TARGET} EXPORT ${arg_NAME}Targets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
            INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${arg_TARGET})
    install(FILES ${arg_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${arg_TARGET})
    install(EXPORT ${arg_NAME}Targets NAMESPACE ${arg_NAME}::
            DESTINATION ${QUILLET_CMAKE_PACKAGES}/${arg_NAME})

    configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LibraryConfig.cmake.in
                                  ${generated}/${arg_NAME}Config.cmake
                                  INSTALL_DESTINATION ${QUILLET_CMAKE_PACKAGES}/${arg_NAME})
    # The libraries carry no version in their file names yet: a new major version is a
    # new interface.
    write_basic_package_version_file(${generated}/${arg_NAME}ConfigVersion.cmake
                                     VERSION ${PROJECT_VERSION}
                                     COMPATIBILITY SameMajorVersion)
    install(FILES ${generated}/${arg_NAME}Config.cmake ${generated}/${arg_NAME}ConfigVersion.cmake
            DESTINATION ${QUILLET_CMAKE_PACKAGES}/${arg_NAME})

    configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in ${generated}/${arg_TARGET}.pc
                   @ONLY)
    install(FILES ${generated}/${arg_TARGET}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

quillet_install_library(TARGET gaugette NAME Gaugette QT Widgets
    DESCRIPTION "GraphicBar, a flat progress-bar control for Qt Widgets"
    HEADERS ${PROJECT_SOURCE_DIR}/gaugette/GraphicBar.h)
quillet_install_library(TARGET brevantjpeg NAME BrevantJPEG QT Gui
    DESCRIPTION "JPEG encoding, re-encoding and drawing for Qt"
    HEADERS ${PROJECT_SOURCE_DIR}/jpeg/JPEG.h ${PROJECT_SOURCE_DIR}/jpeg/BrevantJpegExport.h
            ${PROJECT_SOURCE_DIR}/jpeg/DeviceContext.h
            ${PROJECT_SOURCE_DIR}/jpeg/JpegDecodeLimits.h ${PROJECT_SOURCE_DIR}/jpeg/JpegError.h)

# Where Qt Designer looks for plugins: the Qt plugin folder under the library folder
# (lib/<multiarch>/qt6/plugins on Debian), the same three folders down in the build.
install(TARGETS gaugette_designer
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/qt6/plugins/designer)
