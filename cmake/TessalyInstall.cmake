# `cmake --install` puts the three libraries, their headers and their
# imported targets under the prefix, for a program that finds them with
# find_package(Tessaly). The headers keep their folders: "ui/Form.h".
include(GNUInstallDirs)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/ui ${CMAKE_SOURCE_DIR}/shell ${CMAKE_SOURCE_DIR}/shellviews
                  ${CMAKE_SOURCE_DIR}/shellmenus
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
# The controls' strings go as the compiled resource, which every executable
# that links shellctrls takes in (see shellviews/CMakeLists.txt).
install(TARGETS ui shell shellctrls shellctrls_res EXPORT TessalyTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/tessaly)
install(EXPORT TessalyTargets NAMESPACE Tessaly:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/TessalyConfig.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)
