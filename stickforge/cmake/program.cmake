# Stickforge.exe (and Stickforge-wine-test.exe, the same program with the
# test platform) cross-built by the project in win/ with mingw-w64; both land
# in <build>/stickforge/.
include(ExternalProject)
set(STICKFORGE_EXE ${CMAKE_CURRENT_BINARY_DIR}/Stickforge.exe)
set(STICKFORGE_WINE_TEST_EXE ${CMAKE_CURRENT_BINARY_DIR}/Stickforge-wine-test.exe)
set(STICKFORGE_PROBE_EXE ${CMAKE_CURRENT_BINARY_DIR}/stickforge-probe.exe)
set(win_args
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DRESCUE_WERROR=${RESCUE_WERROR}
    -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${CMAKE_CURRENT_BINARY_DIR}
    -DSTICKFORGE_TOOLS_DIR=${STICKFORGE_TOOLS_DIR}
    -DSTICKFORGE_RESOURCES_DIR=${STICKFORGE_RESOURCES_DIR})
if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND win_args -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
ExternalProject_Add(stickforge_windows
    SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/win
    BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/win
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS ${win_args}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${STICKFORGE_EXE} ${STICKFORGE_WINE_TEST_EXE} ${STICKFORGE_PROBE_EXE}
    DEPENDS stickforge_tools stickforge_resources)
