# Where the shipping tools and their stubs go. A tool without --stub takes
# <its own folder>/<KITBAG_STUB_FOLDER>/<x86|x64>/KitbagInstaller-stub.exe, never a stub in the
# current folder or on PATH; so the build tree is laid out as an install is, the stubs linked
# from the Windows build trees.
#   Linux (make install, the Debian package): bin/kitbag-pack, bin/kitbag-tag,
#     share/kitbag/x86|x64/KitbagInstaller-stub.exe, share/man/man1, share/doc/kitbag/README.md
#   Windows (the zip): kitbag-pack.exe, kitbag-tag.exe, stubs/x86|x64/KitbagInstaller-stub.exe,
#     README.md
if(KITBAG_WINDOWS)
    set(tool_dir .)
    set(stub_dir stubs)
    set(stub_folder stubs)
    set(doc_dir .)
    set(stub_${KITBAG_ARCH} ${CMAKE_BINARY_DIR}/KitbagInstaller-stub.exe)
else()
    set(CMAKE_INSTALL_DOCDIR share/doc/kitbag CACHE PATH "Where the README is installed")
    include(GNUInstallDirs)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_DATADIR}")
        message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DATADIR must be relative: the "
                            "tools find their stubs from where they are")
    endif()
    set(tool_dir ${CMAKE_INSTALL_BINDIR})
    set(stub_dir ${CMAKE_INSTALL_DATADIR}/kitbag)
    file(RELATIVE_PATH stub_folder ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/kitbag)
    set(doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
foreach(arch x86 x64)
    if(NOT stub_${arch})
        set(build_dir ${KITBAG_WINDOWS_BUILD_DIR})
        if(arch STREQUAL "x64")
            set(build_dir ${KITBAG_WINDOWS64_BUILD_DIR})
        endif()
        if(build_dir)
            set(stub_${arch} ${build_dir}/KitbagInstaller-stub.exe)
        endif()
    endif()
endforeach()

target_compile_definitions(kitbag_packtools PRIVATE KITBAG_STUB_FOLDER="${stub_folder}")
set_target_properties(kitbag-pack kitbag-tag PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${tool_dir})
# A Windows build tree links its own stub only: every executable in it is of its architecture.
foreach(arch x86 x64)
    if(stub_${arch} AND (NOT KITBAG_WINDOWS OR arch STREQUAL KITBAG_ARCH))
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${stub_dir}/${arch})
        file(CREATE_LINK ${stub_${arch}} ${CMAKE_BINARY_DIR}/${stub_dir}/${arch}/KitbagInstaller-stub.exe SYMBOLIC)
    endif()
endforeach()

# The host build only tests the tools; the release builds install and package them.
if(NOT KITBAG_WINDOWS AND NOT KITBAG_TOOLS_ONLY)
    return()
endif()

install(TARGETS kitbag-pack kitbag-tag RUNTIME DESTINATION ${tool_dir})
foreach(arch x86 x64)
    if(stub_${arch})
        install(FILES ${stub_${arch}} DESTINATION ${stub_dir}/${arch})
    endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME kitbag)
set(CPACK_PACKAGE_VERSION ${KITBAG_TOOLS_VERSION})
set(CPACK_PACKAGE_VENDOR Kitbag)
set(CPACK_PACKAGE_CONTACT "Kitbag <release@kitbag.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes a product's signed, compressed Windows installer")
set(CPACK_STRIP_FILES ON)
if(KITBAG_WINDOWS)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME kitbag-${KITBAG_TOOLS_VERSION}-windows)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    # The man pages, from each tool's --help and a page of its own (shipping/man/).
    set(tool_names_kitbag-pack "turn a product folder into its Windows installer")
    set(tool_names_kitbag-tag "place information inside a signed installer's signature")
    foreach(tool kitbag-pack kitbag-tag)
        set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
        add_custom_command(OUTPUT ${page}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND help2man --no-info "--name=${tool_names_${tool}}"
                    --include=${CMAKE_CURRENT_SOURCE_DIR}/man/${tool}.h2m --output=${page}
                    $<TARGET_FILE:${tool}>
            COMMAND gzip -9nf ${page}
            DEPENDS ${tool} ${CMAKE_CURRENT_SOURCE_DIR}/man/${tool}.h2m VERBATIM)
        list(APPEND man_pages ${page}.gz)
    endforeach()
    add_custom_target(kitbag_man_pages ALL DEPENDS ${man_pages})
    install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION devel)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # osslsigncode signs; Wine runs what was packed, for a try.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS osslsigncode)
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
include(CPack)
