# find_package(Tessaly): the targets Tessaly::ui, Tessaly::shell and Tessaly::shellctrls.
include("${CMAKE_CURRENT_LIST_DIR}/TessalyTargets.cmake")
