# Project-wide compiler settings, applied per target so that third-party and
# generated code (protobuf output) can opt out of the strict warning set.

if(RESCUE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# rescue_target_defaults(<target>)
#   Strict warnings (errors when RESCUE_WERROR is on) for our own code.
function(rescue_target_defaults target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
        -Wunused -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough
        $<$<BOOL:${RESCUE_WERROR}>:-Werror>)
endfunction()

# rescue_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...])
#   One GoogleTest executable registered with CTest; the label "lib" marks
#   library tests, which the sanitizer preset runs.
function(rescue_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    rescue_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    if(ARG_ENVIRONMENT)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
endfunction()
