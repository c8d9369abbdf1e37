# The editor's toolkit: Cairo drawing, the X11 window, and the artwork, drawn by
# tools/artwork at build time and embedded in kaveo_core through an assembler file.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KAVEO_CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(KAVEO_X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(kaveo_core PUBLIC PkgConfig::KAVEO_CAIRO PkgConfig::KAVEO_X11)

file(GLOB KAVEO_ARTWORK_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/artwork/*.cpp)
add_executable(kaveo-artwork ${KAVEO_ARTWORK_SOURCES})
target_link_libraries(kaveo-artwork PRIVATE PkgConfig::KAVEO_CAIRO)

set(KAVEO_ARTWORK_DIR ${PROJECT_BINARY_DIR}/artwork)
file(MAKE_DIRECTORY ${KAVEO_ARTWORK_DIR})
add_custom_command(
  OUTPUT ${KAVEO_ARTWORK_DIR}/artwork.S
  COMMAND kaveo-artwork ${KAVEO_ARTWORK_DIR}
  DEPENDS kaveo-artwork
  COMMENT "Drawing the editor's artwork")
enable_language(ASM)
target_sources(kaveo_core PRIVATE ${KAVEO_ARTWORK_DIR}/artwork.S)

# A window with one of each control, for looking at the toolkit (and its screenshot).
add_executable(kaveo-toolkit-demo tools/toolkit_demo/main.cpp)
target_link_libraries(kaveo-toolkit-demo PRIVATE kaveo_core)
