# The program's artwork and boot menu files, made at build time: splash.png
# (the menu background, 640 x 480, 32-bit with alpha) and the icon, rendered
# from SVG sources in artwork/ by rsvg-convert; syslinux.cfg written from the
# logic's own text.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)
set(STICKFORGE_RESOURCES_DIR ${CMAKE_CURRENT_BINARY_DIR}/resources)
set(art ${CMAKE_CURRENT_SOURCE_DIR}/artwork)

find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)
add_executable(stickforge_png32 ${CMAKE_CURRENT_SOURCE_DIR}/resources/png32.cpp)
target_link_libraries(stickforge_png32 PRIVATE Qt6::Gui)
rescue_target_defaults(stickforge_png32)

add_custom_command(
    OUTPUT ${STICKFORGE_RESOURCES_DIR}/splash.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${STICKFORGE_RESOURCES_DIR}
    COMMAND ${RSVG_CONVERT} --width 640 --height 480 --format png
            --output ${STICKFORGE_RESOURCES_DIR}/splash-24.png ${art}/splash.svg
    COMMAND stickforge_png32 ${STICKFORGE_RESOURCES_DIR}/splash-24.png ${STICKFORGE_RESOURCES_DIR}/splash.png
    DEPENDS ${art}/splash.svg stickforge_png32
    COMMENT "Rendering the boot menu background"
    VERBATIM)

set(icon_pngs)
foreach(size 16 24 32 48 256)
    set(png ${STICKFORGE_RESOURCES_DIR}/icon-${size}.png)
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${STICKFORGE_RESOURCES_DIR}
        COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --format png --output ${png} ${art}/icon.svg
        DEPENDS ${art}/icon.svg
        VERBATIM)
    list(APPEND icon_pngs ${png})
endforeach()
add_custom_command(
    OUTPUT ${STICKFORGE_RESOURCES_DIR}/stickforge.ico
    COMMAND ${ICOTOOL} --create --output=${STICKFORGE_RESOURCES_DIR}/stickforge.ico ${icon_pngs}
    DEPENDS ${icon_pngs}
    COMMENT "Packing the program's icon"
    VERBATIM)

add_custom_command(
    OUTPUT ${STICKFORGE_RESOURCES_DIR}/syslinux.cfg
    COMMAND ${CMAKE_COMMAND} -E make_directory ${STICKFORGE_RESOURCES_DIR}
    COMMAND stickforge_write_cfg ${STICKFORGE_RESOURCES_DIR}/syslinux.cfg
    DEPENDS stickforge_write_cfg
    VERBATIM)

add_custom_target(stickforge_resources DEPENDS
    ${STICKFORGE_RESOURCES_DIR}/splash.png ${STICKFORGE_RESOURCES_DIR}/stickforge.ico
    ${STICKFORGE_RESOURCES_DIR}/syslinux.cfg)
