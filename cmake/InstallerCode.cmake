# How the installer's own code is compiled: for a small executable.
#
# -Os: nothing here is bound by the processor, and -O2 makes the code more than half as large
# again. Every function and datum has a section of its own, so that the link
# (-Wl,--gc-sections) drops those nothing uses.
set(KITBAG_INSTALLER_COMPILE_OPTIONS -Os -ffunction-sections -fdata-sections)

# kitbag_installer_code(<target>): compiles the target's sources as installer code.
function(kitbag_installer_code target)
    target_compile_options(${target} PRIVATE ${KITBAG_INSTALLER_COMPILE_OPTIONS})
endfunction()
