# Client glue of Wayland protocols, generated from their descriptions by wayland-scanner.
pkg_check_modules(WAYLAND_CLIENT_LIB REQUIRED IMPORTED_TARGET GLOBAL wayland-client)
find_program(WAYLAND_SCANNER_TOOL wayland-scanner REQUIRED)
enable_language(C) # the generated glue

# vexa_wayland_protocol(<target> <protocol.xml>)
# An object library of the protocol's glue; a target that links it gets the
# glue and finds its header <protocol>-client-protocol.h.
function(vexa_wayland_protocol target xml)
    get_filename_component(name ${xml} NAME_WE)
    set(glue ${CMAKE_CURRENT_BINARY_DIR}/${name})
    add_custom_command(OUTPUT ${glue}-client-protocol.h ${glue}-protocol.c
        COMMAND ${WAYLAND_SCANNER_TOOL} client-header ${xml} ${glue}-client-protocol.h
        COMMAND ${WAYLAND_SCANNER_TOOL} private-code ${xml} ${glue}-protocol.c
        DEPENDS ${xml})
    add_library(${target} OBJECT ${glue}-protocol.c ${glue}-client-protocol.h)
    target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT_LIB)
    # SYSTEM: the generated header's casts are C's.
    target_include_directories(${target} SYSTEM INTERFACE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
