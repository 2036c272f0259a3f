# Builds signed installer executables: the application objects, the payload resources
# (shared by every build) and a resource script whose build settings vary per executable.
#
# Every generated file has exactly one target that makes it (kitbag_payload, <name>-resources,
# kitbag_signing_identity); the executables only depend on those targets and link the files
# by path. A rule listed in several targets would run several times at once in a parallel build.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KITBAG_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(KITBAG_OPENSSL openssl REQUIRED)

set(KITBAG_SIGN_CERT "" CACHE FILEPATH "PEM certificate to sign with; empty: a development certificate made in the build tree")
set(KITBAG_SIGN_KEY "" CACHE FILEPATH "PEM private key belonging to KITBAG_SIGN_CERT")
set(KITBAG_SIGN_PROGRAM_NAME "Kitbag Installer" CACHE STRING "Program name recorded in the signature")
set(KITBAG_SIGN_URL "https://kitbag.example/" CACHE STRING "More-information link recorded in the signature")

# Only Windows' known DLLs: wintrust, crypt32, version and comctl32 are loaded at run time from
# the system folder (framework/system_library.h), never through the import table.
# The LZMA decoder, for the compressed payload, is built from source (cmake/Lzma.cmake): it
# imports nothing beyond the C runtime already imported.
set(KITBAG_LINK_LIBRARIES ole32 shlwapi uuid advapi32 shell32 user32 gdi32)
set(KITBAG_LINK_OPTIONS -static -municode -mwindows
    # Lets Wine and Windows map the large resource section instead of reading it in.
    -Wl,--file-alignment,4096 -Wl,--dynamicbase -Wl,--nxcompat
    # Drops the functions and data nothing uses (cmake/InstallerCode.cmake).
    -Wl,--gc-sections)

# The platform-free code once more, as installer code (cmake/InstallerCode.cmake); the Windows
# builds of the pack and tag tools, which use exceptions, keep kitbag_portable. Every source is
# listed by now, and so is what it links.
# The payload's format library likewise; its sources are named from payload/.
get_target_property(kitbag_format_sources kitbag_payload_format SOURCES)
list(TRANSFORM kitbag_format_sources PREPEND ${CMAKE_SOURCE_DIR}/payload/ REGEX "^format/")
add_library(kitbag_payload_format_installer STATIC ${kitbag_format_sources})
target_include_directories(kitbag_payload_format_installer PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kitbag_payload_format_installer PUBLIC kitbag_lzma_decoder)
kitbag_installer_code(kitbag_payload_format_installer)

get_target_property(kitbag_portable_sources kitbag_portable SOURCES)
get_target_property(kitbag_portable_links kitbag_portable INTERFACE_LINK_LIBRARIES)
list(TRANSFORM kitbag_portable_links REPLACE "^kitbag_payload_format$" kitbag_payload_format_installer)
add_library(kitbag_portable_installer STATIC ${kitbag_portable_sources})
target_include_directories(kitbag_portable_installer PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kitbag_portable_installer PUBLIC ${kitbag_portable_links})
kitbag_installer_code(kitbag_portable_installer)

# --- signing identity -----------------------------------------------------------------
if(KITBAG_SIGN_CERT AND KITBAG_SIGN_KEY)
    set(KITBAG_CERT ${KITBAG_SIGN_CERT})
    set(KITBAG_KEY ${KITBAG_SIGN_KEY})
    add_custom_target(kitbag_signing_identity)
    set(KITBAG_SIGNING_FILES ${KITBAG_CERT} ${KITBAG_KEY})
else()
    set(KITBAG_CERT ${CMAKE_BINARY_DIR}/signing/dev-cert.pem)
    set(KITBAG_KEY ${CMAKE_BINARY_DIR}/signing/dev-key.pem)
    add_custom_command(
        OUTPUT ${KITBAG_CERT} ${KITBAG_KEY}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/signing
        COMMAND ${KITBAG_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Kitbag Development"
                -keyout ${KITBAG_KEY} -out ${KITBAG_CERT}
        COMMENT "Making a development signing certificate"
        VERBATIM)
    add_custom_target(kitbag_signing_identity DEPENDS ${KITBAG_CERT} ${KITBAG_KEY})
    set(KITBAG_SIGNING_FILES)
endif()

# --- artwork and payload, shared by every build -----------------------------------------
# The artwork depends on nothing built, so it is drawn when CMake configures.
set(KITBAG_ARTWORK_DIR ${CMAKE_BINARY_DIR}/artwork)
execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_artwork.py ${KITBAG_ARTWORK_DIR}
                RESULT_VARIABLE artwork_result)
if(NOT artwork_result EQUAL 0)
    message(FATAL_ERROR "Drawing the artwork failed")
endif()
# The dialog header and the splash go into the program compressed, as PICTURE resources of
# their bitmap ids (res/resource_ids.h); the windows expand them when they first show them.
set(picture_names header splash)
set(picture_ids 130 133)
foreach(picture IN ZIP_LISTS picture_names picture_ids)
    execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/compress_picture.py
                            ${KITBAG_ARTWORK_DIR}/${picture_0}.bmp ${picture_1}
                            ${KITBAG_ARTWORK_DIR}/${picture_0}.block
                    RESULT_VARIABLE picture_result)
    if(NOT picture_result EQUAL 0)
        message(FATAL_ERROR "Compressing the ${picture_0} picture failed")
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/tools/make_artwork.py ${CMAKE_SOURCE_DIR}/tools/compress_picture.py
             ${CMAKE_SOURCE_DIR}/tools/generated_file.py)

# The application manifest names the architecture the build is for.
if(KITBAG_ARCH STREQUAL "x64")
    set(KITBAG_MANIFEST_ARCHITECTURE "amd64")
else()
    set(KITBAG_MANIFEST_ARCHITECTURE "X86")
endif()
set(KITBAG_MANIFEST_DIR ${CMAKE_BINARY_DIR}/manifest)
configure_file(${CMAKE_SOURCE_DIR}/res/KitbagInstaller.manifest.in ${KITBAG_MANIFEST_DIR}/KitbagInstaller.manifest @ONLY)

set(KITBAG_PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)
# The generator rewrites only files whose bytes change, so the stamp tells when it last ran.
add_custom_command(
    OUTPUT ${KITBAG_PAYLOAD_DIR}/payload.stamp
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/make_payload.py
            --wizard $<TARGET_FILE:kitbag_wizard> --out ${KITBAG_PAYLOAD_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${KITBAG_PAYLOAD_DIR}/payload.stamp
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_payload.py kitbag_wizard $<TARGET_FILE:kitbag_wizard>
    COMMENT "Writing the sample payload"
    VERBATIM)
add_custom_command(
    OUTPUT ${KITBAG_PAYLOAD_DIR}/payload.o
    COMMAND ${CMAKE_RC_COMPILER} ${KITBAG_PAYLOAD_DIR}/payload.rc -O coff -o ${KITBAG_PAYLOAD_DIR}/payload.o
    DEPENDS ${KITBAG_PAYLOAD_DIR}/payload.stamp
    COMMENT "Compiling the payload resources"
    VERBATIM)
add_custom_target(kitbag_payload DEPENDS ${KITBAG_PAYLOAD_DIR}/payload.o)

# kitbag_installer_resources(<name> <out_var> [PROGRAM_TYPE t] [TITLE t] [DISK_MB n]
#                            [ADMIN_INSTALL v] [PROGRAM_NAME n] [DOTNET e1 ... e7])
# Compiles the resource script with these build settings; <out_var> names the object.
function(kitbag_installer_resources name out_var)
    cmake_parse_arguments(K "" "PROGRAM_TYPE;TITLE;DISK_MB;ADMIN_INSTALL;PROGRAM_NAME" "DOTNET" ${ARGN})
    set(KITBAG_PROGRAM_TYPE "AnyCPU")
    set(KITBAG_TITLE "Kitbag")
    set(KITBAG_DISK_MB "500")
    set(KITBAG_ADMIN_INSTALL "1")
    set(KITBAG_PROGRAM_NAME "Roza")
    set(dotnet 0 0 0 0 0 0 0)
    foreach(setting PROGRAM_TYPE TITLE DISK_MB ADMIN_INSTALL PROGRAM_NAME)
        if(DEFINED K_${setting})
            set(KITBAG_${setting} "${K_${setting}}")
        endif()
    endforeach()
    if(K_DOTNET)
        set(dotnet ${K_DOTNET})
    endif()
    list(GET dotnet 0 KITBAG_DOTNET_20)
    list(GET dotnet 1 KITBAG_DOTNET_30)
    list(GET dotnet 2 KITBAG_DOTNET_35)
    list(GET dotnet 3 KITBAG_DOTNET_40_CLIENT)
    list(GET dotnet 4 KITBAG_DOTNET_40_FULL)
    list(GET dotnet 5 KITBAG_DOTNET_45_CLIENT)
    list(GET dotnet 6 KITBAG_DOTNET_45_FULL)

    set(dir ${CMAKE_BINARY_DIR}/variants/${name})
    configure_file(${CMAKE_SOURCE_DIR}/res/settings.rc.in ${dir}/settings.rc @ONLY)
    add_custom_command(
        OUTPUT ${dir}/resources.o
        COMMAND ${CMAKE_RC_COMPILER} -I ${CMAKE_SOURCE_DIR}/res -I ${dir} -I ${KITBAG_ARTWORK_DIR}
                -I ${KITBAG_MANIFEST_DIR} ${CMAKE_SOURCE_DIR}/res/KitbagInstaller.rc -O coff -o ${dir}/resources.o
        DEPENDS ${CMAKE_SOURCE_DIR}/res/KitbagInstaller.rc ${KITBAG_MANIFEST_DIR}/KitbagInstaller.manifest
                ${CMAKE_SOURCE_DIR}/res/resource_ids.h ${CMAKE_SOURCE_DIR}/res/message_texts.h ${dir}/settings.rc
                ${KITBAG_ARTWORK_DIR}/header.block ${KITBAG_ARTWORK_DIR}/splash.block ${KITBAG_ARTWORK_DIR}/kitbag.ico
        COMMENT "Compiling the resources of ${name}"
        VERBATIM)
    add_custom_target(${name}-resources DEPENDS ${dir}/resources.o)
    set(${out_var} ${dir}/resources.o PARENT_SCOPE)
endfunction()

# kitbag_link_installer(<name> [UNSIGNED] [STRIP] OBJECTS <resource objects>... DEPENDS <targets>...)
# Links the program with these resource objects (made by the DEPENDS targets) into
# <name>-unsigned.exe and signs a copy as <name>.exe; with UNSIGNED it makes only <name>.exe.
function(kitbag_link_installer name)
    cmake_parse_arguments(L "UNSIGNED;STRIP" "" "OBJECTS;DEPENDS" ${ARGN})
    set(target ${name}-unsigned)
    if(L_UNSIGNED)
        set(target ${name})
    endif()
    add_executable(${target} WIN32 $<TARGET_OBJECTS:kitbag_win>)
    target_link_libraries(${target} PRIVATE ${L_OBJECTS} kitbag_portable_installer ${KITBAG_LINK_LIBRARIES})
    target_link_options(${target} PRIVATE ${KITBAG_LINK_OPTIONS} $<$<BOOL:${L_STRIP}>:-s>)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                                               LINK_DEPENDS "${L_OBJECTS}")
    add_dependencies(${target} ${L_DEPENDS})
    # Every section's raw size a multiple of the file alignment, as the PE format requires.
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/align_sections.py $<TARGET_FILE:${target}>
        VERBATIM)
    if(L_UNSIGNED)
        return()
    endif()
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/${name}.exe
        COMMAND ${CMAKE_COMMAND} -E remove -f ${CMAKE_BINARY_DIR}/${name}.exe
        COMMAND ${KITBAG_OSSLSIGNCODE} sign -certs ${KITBAG_CERT} -key ${KITBAG_KEY}
                -n ${KITBAG_SIGN_PROGRAM_NAME} -i ${KITBAG_SIGN_URL}
                -in $<TARGET_FILE:${target}> -out ${CMAKE_BINARY_DIR}/${name}.exe
        DEPENDS ${target} kitbag_signing_identity ${KITBAG_SIGNING_FILES}
        COMMENT "Signing ${name}.exe"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${CMAKE_BINARY_DIR}/${name}.exe)
endfunction()

# kitbag_add_installer(<name> [settings as for kitbag_installer_resources])
# Makes <name>-unsigned.exe and the signed <name>.exe, with the sample payload.
function(kitbag_add_installer name)
    kitbag_installer_resources(${name} resources ${ARGN})
    # Without symbols: nobody debugs a download, and it is 0.4 MB smaller.
    kitbag_link_installer(${name} STRIP OBJECTS ${resources} ${KITBAG_PAYLOAD_DIR}/payload.o
                          DEPENDS ${name}-resources kitbag_payload)
endfunction()
