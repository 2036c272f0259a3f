# KitbagInstaller-stub.exe: the installer with the default settings and no payload, unsigned
# and without symbols. kitbag-pack writes a product's files and settings into a copy of it.
set(stub_dir ${CMAKE_BINARY_DIR}/variants/KitbagInstaller-stub)
set(KITBAG_PROGRAM_TYPE "AnyCPU")
set(KITBAG_TITLE "Kitbag")
set(KITBAG_DISK_MB "500")
set(KITBAG_ADMIN_INSTALL "1")
set(KITBAG_PROGRAM_NAME "Roza")
foreach(entry 20 30 35 40_CLIENT 40_FULL 45_CLIENT 45_FULL)
    set(KITBAG_DOTNET_${entry} "0")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/res/settings.rc.in ${stub_dir}/settings.rc @ONLY)
add_custom_command(
    OUTPUT ${stub_dir}/resources.o
    COMMAND ${CMAKE_RC_COMPILER} -I ${CMAKE_SOURCE_DIR}/res -I ${stub_dir} -I ${KITBAG_ARTWORK_DIR}
            ${CMAKE_SOURCE_DIR}/res/KitbagInstaller.rc -O coff -o ${stub_dir}/resources.o
    DEPENDS ${CMAKE_SOURCE_DIR}/res/KitbagInstaller.rc ${CMAKE_SOURCE_DIR}/res/KitbagInstaller.manifest
            ${CMAKE_SOURCE_DIR}/res/resource_ids.h ${CMAKE_SOURCE_DIR}/res/message_texts.h
            ${stub_dir}/settings.rc ${KITBAG_ARTWORK_DIR}/header.bmp ${KITBAG_ARTWORK_DIR}/splash.bmp
            ${KITBAG_ARTWORK_DIR}/kitbag.ico
    COMMENT "Compiling the resources of the payload-free installer"
    VERBATIM)
set_source_files_properties(${stub_dir}/resources.o PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
add_executable(KitbagInstaller-stub WIN32 $<TARGET_OBJECTS:kitbag_win> ${stub_dir}/resources.o)
target_link_libraries(KitbagInstaller-stub PRIVATE kitbag_portable ${KITBAG_LINK_LIBRARIES})
target_link_options(KitbagInstaller-stub PRIVATE ${KITBAG_LINK_OPTIONS} -s)
set_target_properties(KitbagInstaller-stub PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/kitbag ${CMAKE_BINARY_DIR}/tools/kitbag)
