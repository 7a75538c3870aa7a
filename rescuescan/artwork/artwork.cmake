# Every picture the pages show is drawn from the SVG templates in this folder
# and rendered to PNG at build time by rsvg-convert (Debian package
# librsvg2-bin). A template is filled in with configure_file: @W@ and @H@ are
# the image's pixel size, the palette below gives the shared colours, and each
# image passes its own KEY=VALUE settings (state colours, glyph, angle).
# The PNGs land in <build>/rescuescan/artwork/image/ and are compiled into the
# program's resources as qrc:/ui/qml/image/...

set(RESCUE_ARTWORK_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/artwork)
set(RESCUE_ARTWORK_DIR ${CMAKE_CURRENT_BINARY_DIR}/artwork)

# Palette: deep navy for the window's header, one calm blue accent for
# actions, light neutral surfaces that carry dark text, and the three signal
# colours for safe, attention and threat.
set(NAVY_DEEP     "#0b2540")
set(NAVY          "#123a5e")
set(NAVY_LIGHT    "#1d5683")
set(ACCENT        "#1f78c1")
set(ACCENT_LIGHT  "#3a91d8")
set(ACCENT_DARK   "#165d98")
set(INK           "#17324d")
set(SURFACE       "#ffffff")
set(SURFACE_ALT   "#f2f6f9")
set(NAV_SURFACE   "#e8eef4")
set(LINE          "#d3dde6")
set(LINE_STRONG   "#a9bacb")
set(SAFE          "#2e9d62")
set(SAFE_DARK     "#23804f")
set(ATTENTION     "#e49b12")
set(ATTENTION_DARK "#b97a06")
set(THREAT        "#d14343")
set(THREAT_DARK   "#a93030")

# Shapes shared by several templates (glyphs, shield outline), pasted in as
# @SHARED_DEFS@.
file(READ ${RESCUE_ARTWORK_SOURCE}/shared-defs.svg.part SHARED_DEFS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${RESCUE_ARTWORK_SOURCE}/shared-defs.svg.part)

set(rescue_artwork_images)

# rescue_artwork(<path under image/> <width> <height> <template> [KEY=VALUE...])
function(rescue_artwork image width height template)
    foreach(setting IN LISTS ARGN)
        string(FIND "${setting}" "=" split)
        string(SUBSTRING "${setting}" 0 ${split} key)
        math(EXPR valueStart "${split} + 1")
        string(SUBSTRING "${setting}" ${valueStart} -1 value)
        set(${key} "${value}")
    endforeach()
    set(W ${width})
    set(H ${height})
    foreach(inset 1 2 3 4)
        math(EXPR W_${inset} "${width} - ${inset}")
        math(EXPR H_${inset} "${height} - ${inset}")
    endforeach()
    string(REGEX REPLACE "\\.png$" ".svg" svgName "${image}")
    set(svg ${RESCUE_ARTWORK_DIR}/svg/${svgName})
    set(png ${RESCUE_ARTWORK_DIR}/image/${image})
    configure_file(${RESCUE_ARTWORK_SOURCE}/${template} ${svg} @ONLY)
    get_filename_component(pngDir ${png} DIRECTORY)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${pngDir}
        COMMAND ${RSVG_CONVERT} --width=${width} --height=${height} --output=${png} ${svg}
        DEPENDS ${svg}
        COMMENT "Rendering image/${image}"
        VERBATIM)
    set(rescue_artwork_images ${rescue_artwork_images} ${png} PARENT_SCOPE)
endfunction()

include(${RESCUE_ARTWORK_SOURCE}/images.cmake)

qt_add_resources(rescuescan_ui rescuescan_artwork
    PREFIX /ui/qml
    BASE ${RESCUE_ARTWORK_DIR}
    FILES ${rescue_artwork_images}
)
