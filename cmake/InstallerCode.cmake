# How the installer's own code is compiled: for a small executable.
#
# The code reports every failure as a result code and catches no exception, so it is built
# without exceptions: a standard-library failure ends the process as an uncaught exception did
# (framework/no_exceptions.cpp), and no exception runtime or unwinder is linked. Without
# exceptions the 32-bit build needs no unwind tables either: Windows unwinds 32-bit code
# through its frame chain. The 64-bit build keeps them, as its calling convention requires.
# No RTTI: nothing asks for a type at run time. C++20, because in C++17 mode the library's
# explicit instantiations of std::string and std::wstring are linked, whole and with their
# exception handling, instead of only the members the code calls. -Os: nothing here is bound
# by the processor, and -O2 makes the code more than half as large again. Every function and
# datum has a section of its own, so that the link (-Wl,--gc-sections) drops those nothing uses.
#
# A function-local static with a dynamic initialiser would bring the exception runtime back:
# its guard can throw. framework/built_once.h makes such objects instead.
set(KITBAG_INSTALLER_COMPILE_OPTIONS -Os -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections)
if(KITBAG_ARCH STREQUAL "x86")
    list(APPEND KITBAG_INSTALLER_COMPILE_OPTIONS -fno-asynchronous-unwind-tables)
endif()

# kitbag_installer_code(<target>): compiles the target's sources as installer code.
function(kitbag_installer_code target)
    target_compile_options(${target} PRIVATE ${KITBAG_INSTALLER_COMPILE_OPTIONS})
    set_target_properties(${target} PROPERTIES CXX_STANDARD 20)
endfunction()

# With a section for each datum, the Windows compilers put a zero-initialised variable into
# .data, bytes and all, instead of .bss: the CRC-32 tables, filled at start, would take 8 KiB of
# every installer.
set_source_files_properties(${CMAKE_SOURCE_DIR}/payload/format/crc32.cpp PROPERTIES COMPILE_OPTIONS -fno-data-sections)
