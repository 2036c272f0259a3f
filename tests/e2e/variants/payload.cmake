# Payload builds for the end-to-end tests: the default settings with a payload of their own,
# and a helper that reads back a folder's access list.

add_executable(payload_access ${CMAKE_SOURCE_DIR}/tests/e2e/payload_access_tool.cpp)
target_link_libraries(payload_access PRIVATE advapi32)
target_link_options(payload_access PRIVATE -static -municode -mconsole)
set_target_properties(payload_access PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# kitbag_payload_installer(<name> MANIFEST <text> FILES <id> <content> ... [NAMED <content>])
# Makes <name>.exe (signed) and <name>-unsigned.exe with the default settings and a payload of
# TOOLKIT resources: 101 the manifest text, each <id> a file holding <content> (text, no line
# end), and with NAMED a TOOLKIT resource named by a string rather than a number.
function(kitbag_payload_installer name)
    cmake_parse_arguments(P "" "MANIFEST;NAMED" "FILES" ${ARGN})
    set(dir ${CMAKE_BINARY_DIR}/payload-variants/${name})
    file(WRITE ${dir}/manifest.txt "${P_MANIFEST}")
    set(rc "101 TOOLKIT \"${dir}/manifest.txt\"\n")
    set(files ${P_FILES})
    while(files)
        list(POP_FRONT files id content)
        file(WRITE ${dir}/${id}.bin "${content}")
        string(APPEND rc "${id} TOOLKIT \"${dir}/${id}.bin\"\n")
    endwhile()
    if(DEFINED P_NAMED)
        file(WRITE ${dir}/named.bin "${P_NAMED}")
        string(APPEND rc "EXTRA TOOLKIT \"${dir}/named.bin\"\n")
    endif()
    file(WRITE ${dir}/payload.rc "${rc}")

    add_custom_command(
        OUTPUT ${dir}/payload.o
        COMMAND ${CMAKE_RC_COMPILER} ${dir}/payload.rc -O coff -o ${dir}/payload.o
        DEPENDS ${dir}/payload.rc
        COMMENT "Compiling the payload of ${name}"
        VERBATIM)
    add_custom_target(${name}-payload DEPENDS ${dir}/payload.o)
    kitbag_link_installer(${name} OBJECTS ${CMAKE_BINARY_DIR}/variants/KitbagInstaller/resources.o ${dir}/payload.o
                          DEPENDS KitbagInstaller-resources ${name}-payload)
endfunction()

# The manifest's grammar at work: a leading "*" and separator runs, a sub-folder, a later triple
# replacing an earlier one, an id without a resource, a resource the manifest does not name, a
# string-named resource, and a manifest that ends after a name (an empty file).
kitbag_payload_installer(KitbagInstaller-payloadmix
    MANIFEST "*102**Lib\\X.dll*5*103*Setup.EXE*4***999*ghost.bin*1*103*Setup.EXE*6*106*Empty.dat"
    FILES 102 "12345" 103 "setup!" 104 "not named" 106 ""
    NAMED "named by a string")
# The middle file is one byte longer than the manifest says.
kitbag_payload_installer(KitbagInstaller-payloadcorrupt
    MANIFEST "102*first.bin*4*103*middle.bin*4*104*last.bin*4"
    FILES 102 "1111" 103 "22222" 104 "3333")
