# The tools Stickforge.exe carries, built once per build tree from Debian's
# source packages pinned in tools/sources.lock (see the scripts there). The
# sources are fetched into <build>/stickforge/tools-work, the files the
# program embeds land in <build>/stickforge/tools.
set(STICKFORGE_TOOLS_DIR ${CMAKE_CURRENT_BINARY_DIR}/tools)
set(tools_work ${CMAKE_CURRENT_BINARY_DIR}/tools-work)
set(tools_src ${CMAKE_CURRENT_SOURCE_DIR}/tools)
set(tools_lock ${tools_src}/sources.lock)

# The two builds run one after the other, each with every core.
cmake_host_system_information(RESULT tool_jobs QUERY NUMBER_OF_LOGICAL_CORES)
set_property(GLOBAL APPEND PROPERTY JOB_POOLS stickforge_tools=1)
set(tool_env JOBS=${tool_jobs})
if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND tool_env CC_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

set(STICKFORGE_SYSLINUX_FILES
    ${STICKFORGE_TOOLS_DIR}/syslinux.exe ${STICKFORGE_TOOLS_DIR}/vesamenu.c32
    ${STICKFORGE_TOOLS_DIR}/libcom32.c32 ${STICKFORGE_TOOLS_DIR}/libutil.c32
    ${STICKFORGE_TOOLS_DIR}/ldlinux.c32 ${STICKFORGE_TOOLS_DIR}/mbr.bin
    ${STICKFORGE_TOOLS_DIR}/syslinux-mtools)
add_custom_command(
    OUTPUT ${STICKFORGE_SYSLINUX_FILES}
    COMMAND ${CMAKE_COMMAND} -E env ${tool_env}
            ${tools_src}/build-syslinux.sh ${tools_lock} ${tools_work} ${STICKFORGE_TOOLS_DIR}
    DEPENDS ${tools_src}/build-syslinux.sh ${tools_src}/fetch-source.sh ${tools_lock}
    JOB_POOL stickforge_tools
    COMMENT "SYSLINUX from Debian's source package: BIOS core, menu modules, Windows and mtools installers"
    VERBATIM)

set(STICKFORGE_7ZIP_FILES ${STICKFORGE_TOOLS_DIR}/7z.exe ${STICKFORGE_TOOLS_DIR}/7z.dll)
add_custom_command(
    OUTPUT ${STICKFORGE_7ZIP_FILES}
    COMMAND ${CMAKE_COMMAND} -E env ${tool_env}
            ${tools_src}/build-7zip.sh ${tools_lock} ${tools_work} ${STICKFORGE_TOOLS_DIR}
    DEPENDS ${tools_src}/build-7zip.sh ${tools_src}/fetch-source.sh ${tools_lock}
    JOB_POOL stickforge_tools
    COMMENT "7-Zip from Debian's source package: 7z.exe and 7z.dll for Windows"
    VERBATIM)

add_custom_target(stickforge_tools DEPENDS ${STICKFORGE_SYSLINUX_FILES} ${STICKFORGE_7ZIP_FILES})
